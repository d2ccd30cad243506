// The one place that holds the product's version. The version resources of both
// programs are generated from it; the programs read their version back from the
// resource at run time.
#pragma once

#define LOCKBAY_VERSION_MAJOR 4
#define LOCKBAY_VERSION_MINOR 0
#define LOCKBAY_VERSION_REVISION 0
#define LOCKBAY_VERSION_BUILD 0
#define LOCKBAY_VERSION_TEXT "4.0.0"
