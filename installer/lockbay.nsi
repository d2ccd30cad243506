; LockbaySetup.exe: installs Lockbay for the whole machine into Program Files\Lockbay,
; adds its shortcuts, registers it under Apps & features and brings its uninstaller.
;
; Built by installer/Setup.cmake, which defines on makensis's command line:
;   BUILD_SETTINGS  the generated include with the version, the vendor, the web host,
;                   the build folder, the pictures and the command that signs the
;                   uninstaller (build_settings.nsh.in)
;   CONFIG_FOLDER   "/<configuration>" where the build keeps each configuration's files
;                   apart (Visual Studio), else empty
;   OUTFILE         where the (still unsigned) setup is written; the build signs it
;
; Silent: "LockbaySetup.exe /S [/NOWATCHER] [/D=folder]". Exit code 0 when installed, 3
; when Lockbay or its updater kept running (nothing was changed then), 4 when Lockbay is
; installed from Lockbay.msi (nothing was changed). /NOWATCHER turns the option "Protect
; USB drives automatically" off (with or without the pages).
;
; That option is the watcher, lockbay-watch.exe, in the notification area: one
; machine-wide Run entry starts it for every user who signs in, and the watcher then
; follows the organisation's policy or the user's own "Start with Windows" (kept under
; HKCU\Software\Lockbay). The setup runs elevated, and perhaps signed in as another
; administrator than the user at the desktop, so it never starts the watcher itself: it
; asks the watcher to start as the user signed in to the desktop ("--as-signed-in-user",
; through the desktop's shell), so that it runs with that user's own rights. The option
; is kept under Apps & features (ProtectOnPlugIn).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true
ManifestSupportedOS all

!include "${BUILD_SETTINGS}"
!ifndef CONFIG_FOLDER
    !define CONFIG_FOLDER ""
!endif
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lockbay"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "Lockbay.lnk"
; The language choice that Lockbay writes into its working folder, the program folder.
!define LANGUAGE_CHOICE "clng.vlng"
; How long a program that is about to end (the updater ends right after it starts the
; setup) is waited for before the user is asked to close it: steps of 200 ms.
!define WAIT_STEPS 25
; The watcher: its program, the class of its hidden window, its entry in a Run key.
!define WATCHER "lockbay-watch.exe"
!define WATCHER_CLASS "LockbayWatch"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "LockbayWatch"
; The user's own "Start with Windows" for the watcher, under HKCU.
!define CHOICE_KEY "Software\Lockbay"
!define CHOICE_VALUE "StartWithWindows"
!define EXIT_PROGRAMS_RUNNING 3
!define EXIT_INSTALLED_BY_MSI 4

; ---- What is installed -------------------------------------------------------------------
;
; Every file the setup puts into the program folder, one line each: its folder in the
; build and its name. The uninstaller removes exactly these, and the checks for a running
; Lockbay look at exactly these. Adding a program is one more line here (and its target
; among the setup's dependencies in installer/CMakeLists.txt, and in the next version's
; for the tests in tests/e2e/CMakeLists.txt).
!macro LOCKBAY_FILES ACTION
    !insertmacro ${ACTION} lockbay lockbay.exe
    !insertmacro ${ACTION} update update.exe
    !insertmacro ${ACTION} watch lockbay-watch.exe
    !insertmacro ${ACTION} cli lockbay-cli.exe
    !insertmacro ${ACTION} lockbay english.vlng
    !insertmacro ${ACTION} lockbay francais.vlng
    !insertmacro ${ACTION} lockbay romana.vlng
    !insertmacro ${ACTION} lockbay german.vlng
    !insertmacro ${ACTION} lockbay spanish.vlng
    !insertmacro ${ACTION} lockbay indonesian.vlng
    !insertmacro ${ACTION} lockbay italian.vlng
!macroend

!macro InstallFile FOLDER NAME
    File "/oname=${NAME}" "${BUILD_DIR}/${FOLDER}${CONFIG_FOLDER}/${NAME}"
!macroend

!macro RemoveFile FOLDER NAME
    Delete "$INSTDIR\${NAME}"
!macroend

; Leaves the file's name in $R9 when the file exists and cannot be opened for writing:
; a running program's file is held by the system until the program ends.
!macro FindFileInUse FOLDER NAME
    ${If} ${FileExists} "$INSTDIR\${NAME}"
        ClearErrors
        FileOpen $R7 "$INSTDIR\${NAME}" a
        ${If} ${Errors}
            StrCpy $R9 "${NAME}"
        ${Else}
            FileClose $R7
        ${EndIf}
    ${EndIf}
!macroend

; ---- The look ----------------------------------------------------------------------------

Name "Lockbay ${VERSION}"
Caption "Lockbay ${VERSION} Setup"
UninstallCaption "Lockbay ${VERSION} Uninstall"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Lockbay"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
!ifdef DEVELOPMENT_BUILD
    BrandingText "Lockbay ${VERSION} - development build, not for distribution"
!else
    BrandingText "Lockbay ${VERSION}"
!endif

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WELCOME_BITMAP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WELCOME_BITMAP}"
!define MUI_ABORTWARNING

Var WelcomeText
Var InstalledVersion
; The options, ${BST_CHECKED} or ${BST_UNCHECKED}, and their boxes on the options page.
Var StartMenuShortcut
Var DesktopShortcut
Var StartMenuBox
Var DesktopBox
; "Protect USB drives automatically": the choice, its box, and the choice of the
; installation this one replaces (1, 0, or empty when it had no such option).
Var ProtectOnPlugIn
Var ProtectBox
Var PreviousProtection
; The machine-wide Run entry of the installation this one replaces ("" for none: an
; installation without the option, or of a version that gave each user an entry).
Var PreviousMachineEntry
; 1 when a watcher ran as the setup began: it is started again at the end.
Var WatcherWasRunning
; The finish page's text: it says when the watcher was not started now.
Var FinishText

; The setup is started minimized by the updater; each page says what it is about when the
; user brings it up from the taskbar.
!define MUI_WELCOMEPAGE_TEXT "$WelcomeText"
!insertmacro MUI_PAGE_WELCOME
!define MUI_DIRECTORYPAGE_TEXT_TOP "Lockbay will be installed in this folder, for every user of this computer.$\r$\n$\r$\nTo install it in another folder, click Browse and choose it."
!insertmacro MUI_PAGE_DIRECTORY
Page custom OptionsPage OptionsPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$FinishText"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Lockbay now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartLockbay
!insertmacro MUI_PAGE_FINISH

!define MUI_WELCOMEPAGE_TITLE "Removing Lockbay ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Setup will remove Lockbay from this computer.$\r$\n$\r$\nDrives that Lockbay protected stay protected: their autorun.inf and advancedlockbay folders are not touched. To take the protection off a drive, click Cancel and restore the drive with Lockbay first.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_UNPAGE_WELCOME
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Lockbay"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${VENDOR}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Lockbay Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "OriginalFilename" "LockbaySetup.exe"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright ${VENDOR}"
!ifdef DEVELOPMENT_BUILD
    VIAddVersionKey /LANG=${LANG_ENGLISH} "SpecialBuild" "${DEVELOPMENT_NOTE}"
!endif

; The uninstaller is signed before it is packed into the setup.
!uninstfinalize '${SIGN_UNINSTALLER} "%1"' = 0

; ---- Running programs --------------------------------------------------------------------

; Returns once no installed file is in use. A program that is about to end is given a
; few seconds; then the user is asked to close Lockbay. When the user cancels, or when
; nobody can be asked (silent), the setup ends at once without having changed anything.
!macro DEFINE_WAIT_FOR_CLOSED_PROGRAMS UN
Function ${UN}WaitForClosedPrograms
    StrCpy $R8 0
    ${Do}
        StrCpy $R9 ""
        !insertmacro LOCKBAY_FILES FindFileInUse
        ${If} $R9 == ""
            Return
        ${EndIf}
        ${If} $R8 == 0
            DetailPrint "Waiting for Lockbay and its updater to close..."
        ${EndIf}
        ${If} $R8 < ${WAIT_STEPS}
            IntOp $R8 $R8 + 1
            Sleep 200
            ${Continue}
        ${EndIf}
        ${If} $R9 == "${WATCHER}"
            ; One that the setup could not stop: another user's, say.
            StrCpy $R6 "The USB drive watcher of Lockbay is running, so $R9 cannot be replaced.$\r$\n$\r$\nPlease choose Exit in the menu of its icon in the notification area, then click Retry. Cancel ends the setup without changing anything."
        ${Else}
            StrCpy $R6 "Lockbay or its updater is running, so $R9 cannot be replaced.$\r$\n$\r$\nPlease close Lockbay and its updater, then click Retry. Cancel ends the setup without changing anything."
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$R6" /SD IDCANCEL IDRETRY retry
        ; Nothing changed: a watcher that StopWatcher ended runs again.
        ${If} $WatcherWasRunning == 1
        ${AndIf} ${FileExists} "$INSTDIR\${WATCHER}"
            Exec '"$INSTDIR\${WATCHER}" --as-signed-in-user'
        ${EndIf}
        SetErrorLevel ${EXIT_PROGRAMS_RUNNING}
        Quit
      retry:
    ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_WAIT_FOR_CLOSED_PROGRAMS ""
!insertmacro DEFINE_WAIT_FOR_CLOSED_PROGRAMS "un."

; Ends a running watcher, so that its file can be replaced or removed: this account's
; at once, and the signed-in user's (the setup may run as another administrator) through
; the desktop's shell; WaitForClosedPrograms then waits for its file. Sets
; $WatcherWasRunning.
!macro DEFINE_STOP_WATCHER UN
Function ${UN}StopWatcher
    StrCpy $WatcherWasRunning 0
    FindWindow $0 "${WATCHER_CLASS}"
    ${If} $0 == 0
        Return
    ${EndIf}
    StrCpy $WatcherWasRunning 1
    ${IfNot} ${FileExists} "$INSTDIR\${WATCHER}"
        Return
    ${EndIf}
    DetailPrint "Closing the USB drive watcher..."
    ExecWait '"$INSTDIR\${WATCHER}" --stop'
    FindWindow $0 "${WATCHER_CLASS}"
    ${If} $0 != 0
        ExecWait '"$INSTDIR\${WATCHER}" --as-signed-in-user --stop'
    ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_STOP_WATCHER ""
!insertmacro DEFINE_STOP_WATCHER "un."

; ---- Installing --------------------------------------------------------------------------

Function .onInit
    SetShellVarContext all
    SetRegView 64
    ; Lockbay.msi and this setup never install over each other: Windows Installer knows the
    ; package's installations by its upgrade code.
    System::Call 'msi::MsiEnumRelatedProductsW(w "{${MSI_UPGRADE_CODE}}", i 0, i 0, w .r1) i .r0'
    ${If} $0 == 0
        MessageBox MB_OK|MB_ICONSTOP "Lockbay is installed on this computer from its Windows Installer package, Lockbay.msi, perhaps by your organisation.$\r$\n$\r$\nPlease remove that installation under Apps & features first (or ask your administrator), then run this setup again. Nothing was changed." /SD IDOK
        SetErrorLevel ${EXIT_INSTALLED_BY_MSI}
        Quit
    ${EndIf}
    ReadRegStr $PreviousMachineEntry HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ; An earlier installation: its version for the welcome page, its options as defaults.
    ReadRegStr $InstalledVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    StrCpy $StartMenuShortcut ${BST_CHECKED}
    StrCpy $DesktopShortcut ${BST_UNCHECKED}
    StrCpy $ProtectOnPlugIn ${BST_CHECKED}
    StrCpy $PreviousProtection ""
    ${If} $InstalledVersion != ""
        ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "StartMenuShortcut"
        ${If} $0 == 0
            StrCpy $StartMenuShortcut ${BST_UNCHECKED}
        ${EndIf}
        ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "DesktopShortcut"
        ${If} $0 == 1
            StrCpy $DesktopShortcut ${BST_CHECKED}
        ${EndIf}
        ; A version before the option reads empty: the option is new to it, and on.
        ReadRegDWORD $PreviousProtection HKLM "${UNINSTALL_KEY}" "ProtectOnPlugIn"
        ${If} $PreviousProtection == 0
            StrCpy $ProtectOnPlugIn ${BST_UNCHECKED}
        ${EndIf}
        StrCpy $WelcomeText "Lockbay $InstalledVersion is installed on this computer. Setup will update it to version ${VERSION}. Your language choice is kept."
    ${Else}
        StrCpy $WelcomeText "Setup will install Lockbay ${VERSION} on this computer, for every user.$\r$\n$\r$\nLockbay protects USB sticks and hard disks against viruses that spread through an autorun.inf file."
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/NOWATCHER" $1
    ${IfNot} ${Errors}
        StrCpy $ProtectOnPlugIn ${BST_UNCHECKED}
    ${EndIf}
!ifdef DEVELOPMENT_BUILD
    StrCpy $WelcomeText "$WelcomeText$\r$\n$\r$\n${DEVELOPMENT_NOTE}."
!endif
    StrCpy $WelcomeText "$WelcomeText$\r$\n$\r$\nClick Next to continue."
    StrCpy $FinishText "Lockbay ${VERSION} has been installed on this computer."
FunctionEnd

Function OptionsPage
    !insertmacro MUI_HEADER_TEXT "Options" "Choose where Lockbay can be started from, and how it protects USB drives."
    nsDialogs::Create 1018
    Pop $0
    ${If} $0 == error
        Abort
    ${EndIf}
    ${NSD_CreateLabel} 0 0 100% 24u "Setup can add shortcuts that start Lockbay. To change these choices later, run Setup again."
    Pop $0
    ${NSD_CreateCheckbox} 0 32u 100% 12u "Add Lockbay to the &Start menu"
    Pop $StartMenuBox
    ${NSD_SetState} $StartMenuBox $StartMenuShortcut
    ${NSD_CreateCheckbox} 0 50u 100% 12u "Add a shortcut to the &desktop"
    Pop $DesktopBox
    ${NSD_SetState} $DesktopBox $DesktopShortcut
    ${NSD_CreateCheckbox} 0 74u 100% 12u "&Protect USB drives automatically when they are plugged in"
    Pop $ProtectBox
    ${NSD_SetState} $ProtectBox $ProtectOnPlugIn
    ${NSD_CreateLabel} 12u 88u -12u 36u "A small program in the notification area gives every USB drive you plug in Simple protection and tells you so. It starts when you sign in to Windows; its menu can turn that off."
    Pop $0
    nsDialogs::Show
FunctionEnd

Function OptionsPageLeave
    ${NSD_GetState} $StartMenuBox $StartMenuShortcut
    ${NSD_GetState} $DesktopBox $DesktopShortcut
    ${NSD_GetState} $ProtectBox $ProtectOnPlugIn
FunctionEnd

; Makes the shortcut when its option is on, and removes one an earlier installation made
; when the option is now off. The shortcut's working folder is the program folder.
!macro SHORTCUT_OPTION OPTION LINK VALUE
    ${If} ${OPTION} == ${BST_CHECKED}
        CreateShortcut "${LINK}" "$INSTDIR\lockbay.exe" "" "$INSTDIR\lockbay.exe" 0 SW_SHOWNORMAL "" \
            "Protects USB drives against viruses that spread through autorun.inf"
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${VALUE}" 1
    ${Else}
        ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "${VALUE}"
        ${If} $0 == 1
            Delete "${LINK}"
        ${EndIf}
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${VALUE}" 0
    ${EndIf}
!macroend

; A program folder outside Program Files would inherit the access list of its parent,
; which on C:\ lets every signed-in user change the files there: another account could
; replace a program or put a DLL beside it, and the next administrator to run it would run
; that. Such a folder gets its own protected access list (SYSTEM and Administrators full
; control, Users read and execute, nothing inherited, no other entry) before anything in
; it is started.
; Program Files has that list already. Nothing is installed when it cannot be set.
Function ProtectInstallFolder
    Push $PROGRAMFILES64
    Call IsInstallFolderUnder
    Pop $0
    Push $PROGRAMFILES
    Call IsInstallFolderUnder
    Pop $1
    ${If} $0 == 1
    ${OrIf} $1 == 1
        Return
    ${EndIf}
    CreateDirectory "$INSTDIR"
    DetailPrint "Protecting $INSTDIR..."
    ; A folder that someone made beforehand is theirs, with entries of their own: it is
    ; given to the Administrators group and its entries reset before the list is set.
    StrCpy $1 '"$SYSDIR\icacls.exe" "$INSTDIR"'
    nsExec::Exec '$1 /setowner *S-1-5-32-544 /T /C'
    Pop $0
    ${If} $0 == 0
        nsExec::Exec '$1 /reset /T /C'
        Pop $0
    ${EndIf}
    ${If} $0 == 0
        nsExec::Exec '$1 /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX'
        Pop $0
    ${EndIf}
    ${If} $0 != 0
        MessageBox MB_OK|MB_ICONSTOP "The access list of $INSTDIR could not be set ($0), so other users could change Lockbay there. Nothing was installed.$\r$\n$\r$\nPlease choose a folder under Program Files." /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd

; Pushes 1 when $INSTDIR is the folder on the stack or lies inside it (a path that goes up
; with ".." never counts), else 0.
Function IsInstallFolderUnder
    Exch $R0
    Push $R1
    Push $R2
    Push $R3
    StrCpy $R3 0
    StrLen $R1 $R0
    StrCpy $R2 $INSTDIR $R1
    ${If} $R2 == $R0
        StrCpy $R2 $INSTDIR 1 $R1
        ${If} $R2 == ""
        ${OrIf} $R2 == "\"
            StrCpy $R3 1
        ${EndIf}
    ${EndIf}
    StrCpy $R1 0
    ${Do}
        StrCpy $R2 $INSTDIR 2 $R1
        ${If} $R2 == ""
            ${Break}
        ${ElseIf} $R2 == ".."
            StrCpy $R3 0
            ${Break}
        ${EndIf}
        IntOp $R1 $R1 + 1
    ${Loop}
    StrCpy $R0 $R3
    Pop $R3
    Pop $R2
    Pop $R1
    Exch $R0
FunctionEnd

Section "Lockbay"
    Call ProtectInstallFolder
    Call StopWatcher
    Call WaitForClosedPrograms
    SetOutPath "$INSTDIR"
    !insertmacro LOCKBAY_FILES InstallFile
    ; The administrative templates for Group Policy, for the administrator to copy into
    ; the domain's central store.
    SetOutPath "$INSTDIR\policies\en-US"
    File "/oname=Lockbay.adml" "${__FILEDIR__}/policies/en-US/Lockbay.adml"
    SetOutPath "$INSTDIR\policies"
    File "/oname=Lockbay.admx" "${__FILEDIR__}/policies/Lockbay.admx"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    ; Under Apps & features.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Lockbay"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\lockbay.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "http://${WEB_HOST}/"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "http://${WEB_HOST}/faq.html"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
!ifdef DEVELOPMENT_BUILD
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Comments" "${DEVELOPMENT_NOTE}"
!else
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "Comments"
!endif

    !insertmacro SHORTCUT_OPTION $StartMenuShortcut "$SMPROGRAMS\${SHORTCUT}" StartMenuShortcut
    !insertmacro SHORTCUT_OPTION $DesktopShortcut "$DESKTOP\${SHORTCUT}" DesktopShortcut

    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

    Call SetUpWatcher
SectionEnd

; "Protect USB drives automatically": the machine-wide Run entry. Where the option is new
; (a first install, an installation without it, or turned on now) the signed-in user's
; "Start with Windows" is turned on; an upgrade with the option on already keeps the
; choice the user made in the watcher's menu. A version that gave each user a Run entry
; of their own kept that choice as the entry: for this account it becomes the recorded
; choice, and the entry goes (the watcher removes such an entry of any other user when it
; starts). The watcher is started where the option is new, and again where it ran before
; the install. Turned off, the option takes away the machine-wide entry.
Function SetUpWatcher
    ${If} $ProtectOnPlugIn == ${BST_CHECKED}
        WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${WATCHER}" --at-sign-in'
        ${If} $PreviousProtection != 1
            ExecWait '"$INSTDIR\${WATCHER}" --as-signed-in-user --enable-start-with-windows'
            StrCpy $WatcherWasRunning 1
        ${ElseIf} $PreviousMachineEntry == ""
            ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
            ${If} $0 == ""
                WriteRegDWORD HKCU "${CHOICE_KEY}" "${CHOICE_VALUE}" 0
            ${EndIf}
            DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
        ${EndIf}
        ; Where no desktop shell can start it as the signed-in user, the watcher does not
        ; start now (never with the setup's rights): its Run entry starts it at sign-in.
        StrCpy $0 1
        ${If} $WatcherWasRunning == 1
            DetailPrint "Starting the USB drive watcher..."
            ExecWait '"$INSTDIR\${WATCHER}" --as-signed-in-user' $0
        ${EndIf}
        ${If} $0 != 0
            DetailPrint "The USB drive watcher was not started now; it starts when you sign in to Windows."
            StrCpy $FinishText "$FinishText$\r$\n$\r$\nThe USB drive watcher starts the next time you sign in to Windows. Until then, protect drives with Lockbay."
        ${EndIf}
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "ProtectOnPlugIn" 1
    ${Else}
        DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
        DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "ProtectOnPlugIn" 0
    ${EndIf}
FunctionEnd

Function StartLockbay
    ; Lockbay reads its languages from its working folder.
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\lockbay.exe"'
FunctionEnd

; ---- Uninstalling ------------------------------------------------------------------------

Function un.onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Section "Uninstall"
    ; The watcher's Run entry (and this account's own, of an older version), then the
    ; watcher.
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    Call un.StopWatcher
    Call un.WaitForClosedPrograms
    !insertmacro LOCKBAY_FILES RemoveFile
    Delete "$INSTDIR\policies\en-US\Lockbay.adml"
    RMDir "$INSTDIR\policies\en-US"
    Delete "$INSTDIR\policies\Lockbay.admx"
    RMDir "$INSTDIR\policies"
    Delete "$INSTDIR\${LANGUAGE_CHOICE}"
    ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "StartMenuShortcut"
    ${If} $0 == 1
        Delete "$SMPROGRAMS\${SHORTCUT}"
    ${EndIf}
    ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "DesktopShortcut"
    ${If} $0 == 1
        Delete "$DESKTOP\${SHORTCUT}"
    ${EndIf}
    Delete "$INSTDIR\${UNINSTALLER}"
    ; Only when empty: files the user put there stay, and their folder with them.
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; Sticks the watcher handed over to Lockbay for cleaning: nobody is left to ask about
    ; them. The computer's saved AutoRun settings in HKLM stay, so that Lockbay installed
    ; again can still turn AutoRun back on.
    DeleteRegKey HKCU "Software\Lockbay\Drives to clean"
    DeleteRegValue HKCU "${CHOICE_KEY}" "${CHOICE_VALUE}"
    DeleteRegKey /ifempty HKCU "Software\Lockbay"
SectionEnd
