# Control ids of our windows, in one place (sourced). A control's id is 100 plus its
# position in its window's layout table, so each list below is that table's order:
# when a table changes, change its list here. Each name becomes a variable
# <Form>_<Control>, for example Form1_List1=103.

define_ids() {
    local form=$1 name id=100
    shift
    for name in "$@"; do
        printf -v "${form}_${name}" '%s' "$id"
        id=$((id + 1))
    done
}

# Window classes are "Lockbay_" followed by the window's name.
lockbay_class() { echo "Lockbay_$1"; }

# The main window (lockbay/ui/form1.cpp).
define_ids Form1 \
    Image1 Image2 Label1 List1 waitt Picture15 Label4 Picture6 Label7 Picture7 Label8 \
    Picture1 Label5 Label2 Picture2 Label3 Label6 Picture13 Label10 Picture12 Label9 \
    Label11 Picture16 Label12

# The help window (lockbay/ui/form2.cpp).
define_ids Form2 \
    Image1 Picture15 Label16 Picture1 Label17 Picture2 Label18 Picture3 Label19 \
    Label10 Label9 Label13 Label8 Label11 Label2 Label12 Label14 Label1 Label3 \
    Label15 Label4 Label5 Label6 Label7

# The language chooser (lockbay/ui/form3.cpp).
define_ids Form3 Label1 Label2 Label3 Label4 Label5 Label7 Label6 Picture3 Label8

# The free-space dialog (lockbay/operations/frs.cpp).
define_ids frs Label1 Picture3 Label4 Picture4 Label2

# The update dialog (lockbay/app/dialog.cpp).
define_ids Dialog Label1 Picture3 Label8 Picture4 Label2

# The cleaning question (lockbay/operations/cleaning_question.cpp).
define_ids CleaningQuestion Label1 List1 Label2 Picture3 Label3 Picture4 Label4

# The splash window (lockbay/app/frm_splash.cpp).
define_ids frmSplash imgLogo lblPlatform lblVersion lblCompany

# The updater's window (update/core/updater_form.cpp).
define_ids frmUpdate Image1 Label1 Label2

# Message boxes (MessageBoxW): their class, the id of the message text and of the
# buttons (the standard dialog ids).
MessageBox_class='#32770'
MessageBox_Text=65535
MessageBox_OK=1
MessageBox_Cancel=2
MessageBox_Retry=4
MessageBox_Yes=6
MessageBox_No=7
