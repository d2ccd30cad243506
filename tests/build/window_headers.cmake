# Only platform/win32 may include the system's headers: the shared libraries, the
# programs' cores and the portable platform code compile natively on Linux and reach the
# system through the platform's interfaces alone.
#
#   cmake -DSOURCE_DIR=<repository> -P window_headers.cmake
cmake_minimum_required(VERSION 3.20)
set(portable drive_rules texts lockbay product cli update/core watch/core platform/common
    platform/include platform/headless)
set(found)
foreach(folder IN LISTS portable)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]([a-z0-9_]+\\.h|win32[a-z_]*\\.h|platform/win32\\.h)[>\"]")
    foreach(line IN LISTS includes)
      if(line MATCHES "[<\"](windows|winuser|wingdi|commctrl|shellapi|shlobj|objbase|wininet|winioctl|aclapi|sddl|wintrust|win32[a-z_]*|platform/win32)\\.h[>\"]")
        list(APPEND found "${source}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(found)
  list(JOIN found "\n  " lines)
  message(FATAL_ERROR "A system header outside platform/win32:\n  ${lines}")
endif()
