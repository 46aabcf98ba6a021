; The Windows installer of Veltrane ToolBar: puts the DLL, its configuration
; file with the glyphs and a settings file into Program Files, registers the
; DLL through its own DllRegisterServer, and leaves an uninstaller with an
; entry in Add/Remove Programs. Installed for all users, the toolbar keeps
; each user's settings and configuration updates in that user's own folder
; (the machine's value PerUserData): nothing in Program Files is written by
; users, and the settings file there is only what new users start from.
;
; Built by tools/build_installer.sh, which passes:
;   DLL_FILE       the cross-built Veltrane_ToolBar.dll
;   CONFIG_FILE    the configuration file to ship
;   SETTINGS_FILE  the settings file a new installation starts with
;   GLYPHS_NSH     macros INSTALL_GLYPHS and REMOVE_GLYPHS naming the glyphs
;   CHECK_DLL      vtb_config_check.dll, the check of a firm's configuration
;   SIGN_COMMAND   what signs the setup and its uninstaller (tools/sign.sh)
;   OUT_FILE       where the installer goes
;
; Command line: /S silent, /CONFIG=FILE a firm's configuration in place of
; the sample (checked by the toolbar's own reader first; remembered for
; later runs), /D=DIR another folder (last, unquoted).
; Uninstaller: /S silent (keeps the settings file), /KEEPSETTINGS=0 or 1
; answers the question about the settings file.
;
; Exit codes (docs/deployment.md): 0 installed; 1 cancelled by the user;
; 2 another setup or uninstaller is running; 3 the DLL could not register
; itself; 4 a file could not be written (nothing was changed); 5 the
; firm's configuration cannot be read or would not build the toolbar
; (nothing was changed); 740 not run as an administrator; 1638 the Windows
; Installer package is installed.

Unicode true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestSupportedOS all

!ifndef DLL_FILE | CONFIG_FILE | SETTINGS_FILE | GLYPHS_NSH | CHECK_DLL | SIGN_COMMAND | OUT_FILE
  !error "build with tools/build_installer.sh"
!endif

; The setup and its uninstaller are signed as they are written.
!finalize '${SIGN_COMMAND} "%1"' = 0
!uninstfinalize '${SIGN_COMMAND} "%1"' = 0

; The product's version is the DLL's own, read from its version resource.
!getdllversion "${DLL_FILE}" DLL_VERSION_
!define VERSION "${DLL_VERSION_1}.${DLL_VERSION_2}.${DLL_VERSION_3}.${DLL_VERSION_4}"

!define PRODUCT "Veltrane ToolBar"
!define PUBLISHER "Veltrane"
!define DLL "Veltrane_ToolBar.dll"
!define CONFIG "Veltrane_ToolBar.cfg"
!define SETTINGS "Veltrane_ToolBar.ini"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; What the DLL registers: its class, and its place in the browser's toolbars.
!define BAND_CLSID "{9C7E4B7F-1648-49D4-9A3E-CCDF350E36F8}"
!define TOOLBARS_KEY "SOFTWARE\Microsoft\Internet Explorer\Toolbar"
; Held by a running setup or uninstaller: a second one refuses to start.
!define SETUP_MUTEX "Veltrane ToolBar Setup"
; The machine's choice of per-user data, read by the toolbar.
!define MACHINE_KEY "Software\${PRODUCT}"
!define ERROR_ALREADY_EXISTS 183
; Every build of the Windows Installer package: one package at a time.
!define MSI_UPGRADE_CODE "{83629D71-2024-49C3-87B2-F93DF6561BBF}"
!define ERROR_PRODUCT_VERSION 1638
!define EXIT_NOT_WRITTEN 4
!define EXIT_BAD_CONFIGURATION 5
; The Application log's source of the toolbar's events.
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\${PRODUCT}"
!define HELP_LINK "https://www.veltrane.example/toolbar/help"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include StrFunc.nsh
${StrStr}
!include "${GLYPHS_NSH}"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
; An upgrade goes where the installation already is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright ${PUBLISHER}"

Var KeepSettings  ; uninstaller: "1" keep, "0" remove, "" ask
Var CannotWrite   ; setup: the first file or folder that cannot be written
Var FirmConfig    ; setup: the firm's configuration file, "" for the sample

!define MUI_FINISHPAGE_TITLE "${PRODUCT} is installed"
!define MUI_FINISHPAGE_TEXT "Close every Internet Explorer window and start the browser again: the toolbar shows under the address bar (View > Toolbars turns it on and off)."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Takes the setup mutex, or quits when another setup or uninstaller holds it.
; The mutex stays with the process until it ends.
!macro TakeSetupMutex
  System::Call 'kernel32::CreateMutex(p 0, i 0, t "${SETUP_MUTEX}") p .r0 ?e'
  Pop $1
  ${If} $1 = ${ERROR_ALREADY_EXISTS}
    MessageBox MB_OK|MB_ICONEXCLAMATION "The setup of ${PRODUCT} is already running." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

!macro RequireAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_OK|MB_ICONSTOP "Administrator rights are needed to change ${PRODUCT}." /SD IDOK
    SetErrorLevel 740  ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

; Installed from the Windows Installer package as well, the toolbar would
; have two entries in Add/Remove Programs, and removing one would leave the
; other's entry without its files.
Function RefuseWhileThePackageIsInstalled
  System::Call 'msi::MsiEnumRelatedProductsW(w "${MSI_UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is installed from its Windows Installer package (Veltrane_ToolBar.msi). Remove that installation first (Add/Remove Programs, or msiexec /x $1), then run this setup again." /SD IDOK
    SetErrorLevel ${ERROR_PRODUCT_VERSION}
    Quit
  ${EndIf}
FunctionEnd

Function .onInit
  !insertmacro TakeSetupMutex
  !insertmacro RequireAdministrator
  Call RefuseWhileThePackageIsInstalled
  Call RefuseAFolderNotTaken
  Call CheckFirmConfiguration
FunctionEnd

; A firm's configuration (/CONFIG=, or the one an earlier run remembered) is
; copied here first and checked by the toolbar's own reader; the copy that
; was checked is the one installed. One that cannot be read, or that would
; fail a toolbar's construction, stops the setup before anything changes.
Function CheckFirmConfiguration
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/CONFIG=" $FirmConfig
  ${If} ${Errors}
    ReadRegStr $FirmConfig HKLM "${MACHINE_KEY}" "ConfigFile"
  ${EndIf}
  ${If} $FirmConfig == ""
    Return
  ${EndIf}
  InitPluginsDir
  File "/oname=$PLUGINSDIR\vtb_config_check.dll" "${CHECK_DLL}"
  ClearErrors
  CopyFiles /SILENT /FILESONLY "$FirmConfig" "$PLUGINSDIR\${CONFIG}"
  ${If} ${Errors}
  ${OrIfNot} ${FileExists} "$PLUGINSDIR\${CONFIG}"
    StrCpy $1 "$FirmConfig: the file cannot be read."
  ${Else}
    System::Call '$PLUGINSDIR\vtb_config_check.dll::CheckConfigurationFile(w "$PLUGINSDIR\${CONFIG}", w "$FirmConfig", w .r1, i ${NSIS_MAX_STRLEN}) i .r2'
    ${If} $2 == "0"
      Return
    ${EndIf}
  ${EndIf}
  MessageBox MB_OK|MB_ICONSTOP "$1 Nothing was changed." /SD IDOK
  SetErrorLevel ${EXIT_BAD_CONFIGURATION}
  Quit
FunctionEnd

; A folder given with /D that cannot be one (a file, a path under a file) is
; dropped before .onInit, and the setup would install into its default
; folder and report success. The process's own command line still has it.
Function RefuseAFolderNotTaken
  System::Call 'kernel32::GetCommandLine() t .r0'
  ${StrStr} $1 $0 " /D="
  ${If} $1 == ""
    Return
  ${EndIf}
  StrCpy $1 $1 "" 4
  ${If} $1 != $INSTDIR
  ${AndIf} $1 != "$INSTDIR\"
    StrCpy $CannotWrite $1
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot install into $1: it is not a folder that can be made. Nothing was changed." /SD IDOK
    SetErrorLevel ${EXIT_NOT_WRITTEN}
    Quit
  ${EndIf}
FunctionEnd

; A file of an earlier installation that is there but cannot be written (held
; open, read-only) is noted. The DLL is not checked: one held by an open
; browser is moved aside.
!macro CheckWritable FILE
  ${If} $CannotWrite == ""
  ${AndIf} ${FileExists} "${FILE}"
    ClearErrors
    FileOpen $0 "${FILE}" a
    ${If} ${Errors}
      StrCpy $CannotWrite "${FILE}"
    ${Else}
      FileClose $0
    ${EndIf}
  ${EndIf}
!macroend

; A silent setup that cannot write must not report success: it ends with its
; own exit code, and before its Add/Remove entry.
!macro FailUnwritten WHAT_NOW
  MessageBox MB_OK|MB_ICONSTOP "Setup cannot write $CannotWrite. ${WHAT_NOW}" /SD IDOK
  SetErrorLevel ${EXIT_NOT_WRITTEN}
  Abort "Cannot write $CannotWrite."
!macroend
!define NOTHING_CHANGED "Nothing was changed."
!define RUN_AGAIN "The installation is incomplete: run the setup again once the folder can be written."

; Everything the installation will write can be written, before anything
; is: the folder (not a file), a new file in it, and the files already there.
Function CheckInstallFolder
  StrCpy $CannotWrite ""
  ClearErrors
  CreateDirectory "$INSTDIR"
  ${If} ${Errors}
  ${OrIfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $CannotWrite "$INSTDIR"
    Return
  ${EndIf}
  ClearErrors
  FileOpen $0 "$INSTDIR\setup-check.tmp" w
  ${If} ${Errors}
    StrCpy $CannotWrite "$INSTDIR"
    Return
  ${EndIf}
  FileClose $0
  Delete "$INSTDIR\setup-check.tmp"
  !insertmacro CheckWritable "$INSTDIR\${CONFIG}"
  !insertmacro CheckWritable "$INSTDIR\${SETTINGS}"
  !insertmacro CheckWritable "$INSTDIR\${UNINSTALLER}"
  !insertmacro CHECK_GLYPHS
FunctionEnd

; A browser that is open holds the DLL: Windows then refuses to overwrite or
; delete it but lets it be renamed. The running toolbars keep the old code
; under the new name (removed at the next start of Windows); browsers opened
; from now on load the new DLL.
Function MoveAsideDllInUse
  ${IfNot} ${FileExists} "$INSTDIR\${DLL}"
    Return
  ${EndIf}
  ClearErrors
  Delete "$INSTDIR\${DLL}"
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  GetTempFileName $0 "$INSTDIR"
  Delete $0
  Rename "$INSTDIR\${DLL}" $0
  Delete /REBOOTOK $0
  ; The new toolbar needs no restart of Windows: no reboot prompt for this.
  SetRebootFlag false
  DetailPrint "${DLL} is in use by an open browser; it is replaced for browsers opened from now on."
FunctionEnd

; An earlier installation shared one settings file between all users, their
; searches included, and opened it to every user and to low integrity. Its
; other keys stay as the defaults of new users; the history goes. The file
; is copied anew, so that it takes the rights of its folder again.
Function RemoveSharedHistory
  InitPluginsDir
  ClearErrors
  CopyFiles /SILENT "$INSTDIR\${SETTINGS}" "$PLUGINSDIR"
  ${If} ${Errors}
    DetailPrint "${SETTINGS} could not be read; it is left as it is."
    Return
  ${EndIf}
  ; The history keys the toolbar writes, in any letter case.
  ${ForEach} $0 0 7 + 1
    DeleteINIStr "$PLUGINSDIR\${SETTINGS}" "Settings" "Search History$0"
  ${Next}
  Delete "$INSTDIR\${SETTINGS}"
  CopyFiles /SILENT "$PLUGINSDIR\${SETTINGS}" "$INSTDIR"
  Delete "$PLUGINSDIR\${SETTINGS}"
FunctionEnd

Section "Install"
  Call CheckInstallFolder
  ${If} $CannotWrite != ""
    !insertmacro FailUnwritten "${NOTHING_CHANGED}"
  ${EndIf}
  SetOutPath "$INSTDIR"
  Call MoveAsideDllInUse
  ; A write that fails even so (the disk full, a file taken meanwhile) ends
  ; the setup before its Add/Remove entry.
  StrCpy $CannotWrite "$INSTDIR"
  ClearErrors
  File "${DLL_FILE}"
  ${If} $FirmConfig == ""
    File "/oname=${CONFIG}" "${CONFIG_FILE}"
  ${Else}
    CopyFiles /SILENT /FILESONLY "$PLUGINSDIR\${CONFIG}" "$INSTDIR"
  ${EndIf}
  !insertmacro INSTALL_GLYPHS
  ${If} ${Errors}
    !insertmacro FailUnwritten "${RUN_AGAIN}"
  ${EndIf}

  ; The machine's settings survive an upgrade, as the defaults of new users:
  ; only a missing file is created.
  ${If} ${FileExists} "$INSTDIR\${SETTINGS}"
    Call RemoveSharedHistory
  ${Else}
    ClearErrors
    File "/oname=${SETTINGS}" "${SETTINGS_FILE}"
    ${If} ${Errors}
      !insertmacro FailUnwritten "${RUN_AGAIN}"
    ${EndIf}
  ${EndIf}
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    !insertmacro FailUnwritten "${RUN_AGAIN}"
  ${EndIf}
  ; Before the registration: no browser ever finds the toolbar sharing data.
  WriteRegDWORD HKLM "${MACHINE_KEY}" "PerUserData" 1
  ; The firm's configuration is installed again by later runs.
  ${If} $FirmConfig == ""
    DeleteRegValue HKLM "${MACHINE_KEY}" "ConfigFile"
  ${Else}
    WriteRegStr HKLM "${MACHINE_KEY}" "ConfigFile" "$FirmConfig"
  ${EndIf}
  ; The toolbar's events, their texts in the DLL's message table.
  WriteRegExpandStr HKLM "${EVENT_SOURCE_KEY}" "EventMessageFile" "$INSTDIR\${DLL}"
  WriteRegDWORD HKLM "${EVENT_SOURCE_KEY}" "TypesSupported" 7

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "${HELP_LINK}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; Last, so that a failed registration still leaves an uninstallable setup.
  ClearErrors
  RegDLL "$INSTDIR\${DLL}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "${DLL} could not register itself for Internet Explorer." /SD IDOK
    SetErrorLevel 3
    Abort "Registration failed."
  ${EndIf}
SectionEnd

Function un.onInit
  !insertmacro TakeSetupMutex
  !insertmacro RequireAdministrator
  StrCpy $KeepSettings ""
  ${un.GetParameters} $0
  ClearErrors
  ${un.GetOptions} $0 "/KEEPSETTINGS=" $1
  ${IfNot} ${Errors}
    ; Anything but 0 keeps the file: nothing of the user's is lost by a typo.
    ${If} $1 == "0"
      StrCpy $KeepSettings "0"
    ${Else}
      StrCpy $KeepSettings "1"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; First, so that no browser opened from now on finds the toolbar.
  ClearErrors
  ${If} ${FileExists} "$INSTDIR\${DLL}"
    UnRegDLL "$INSTDIR\${DLL}"
  ${Else}
    SetErrors
  ${EndIf}
  ${If} ${Errors}
    ; A DLL that is gone or cannot unregister itself: its entries go here,
    ; or the browser would go on looking for it.
    DetailPrint "${DLL} could not unregister itself; its registry entries are removed."
    DeleteRegKey HKCR "CLSID\${BAND_CLSID}"
    DeleteRegValue HKLM "${TOOLBARS_KEY}" "${BAND_CLSID}"
  ${EndIf}
  ; Users' own folders, in their profiles, stay: that data is theirs.
  DeleteRegValue HKLM "${MACHINE_KEY}" "PerUserData"
  DeleteRegValue HKLM "${MACHINE_KEY}" "ConfigFile"
  DeleteRegKey /ifempty HKLM "${MACHINE_KEY}"
  DeleteRegKey HKLM "${EVENT_SOURCE_KEY}"

  ; A browser still open holds the DLL: it goes at the next start of Windows.
  Delete /REBOOTOK "$INSTDIR\${DLL}"
  Delete "$INSTDIR\${CONFIG}"
  ; Left by an update that was interrupted.
  Delete "$INSTDIR\${CONFIG}.download"
  !insertmacro REMOVE_GLYPHS

  ${If} $KeepSettings == ""
  ${AndIf} ${FileExists} "$INSTDIR\${SETTINGS}"
    ; A silent uninstall keeps the file.
    ${If} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "Keep the toolbar settings that new users start from for a later installation? Each user's own searches and settings stay in their profile." /SD IDYES IDNO`
      StrCpy $KeepSettings "0"
    ${EndIf}
  ${EndIf}
  ${If} $KeepSettings == "0"
    Delete "$INSTDIR\${SETTINGS}"
  ${EndIf}

  Delete "$INSTDIR\${UNINSTALLER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The folder goes only when empty: kept settings or the user's own files stay.
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
    MessageBox MB_OK|MB_ICONINFORMATION "An open Internet Explorer window still uses the toolbar. Close every browser window; the last files are removed when Windows starts next." /SD IDOK
    SetRebootFlag false
  ${Else}
    RMDir "$INSTDIR"
  ${EndIf}
SectionEnd
