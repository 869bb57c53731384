; The Orvex installer, built by package.sh: makensis -DVERSION=... -DSTAGE=... -DLISTS=... -DOUTFILE=...
; Installs for the current user without administrator rights by default
; (%LOCALAPPDATA%\Programs\Orvex, which is then the program folder); "all users" installs into
; Program Files, and each user's program folder is then in the profile. /S is silent;
; /AllUsers or /CurrentUser choose without the page. The uninstaller removes the program and
; leaves the program folder's own files (databases, output, rate lists) in place.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define APP "Orvex"
!define PUBLISHER "Kestra"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${APP}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "Software\${PUBLISHER}\${APP}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallDir"
!include MultiUser.nsh
!include MUI2.nsh
!include x64.nsh

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${APP} installer"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!insertmacro MUI_PAGE_LICENSE "${STAGE}/licences/README.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "${APP} needs 64-bit Windows." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
    SetRegView 64
    !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Orvex"
    SetOutPath "$INSTDIR"
    !include "${LISTS}/install-files.nsh"
    ${If} $MultiUser.InstallMode == "AllUsers"
        ; Program Files is not writable: each user's program folder is in the profile, and the
        ; program copies the rate lists there from program-folder\ on its first start.
        SetOutPath "$INSTDIR\program-folder"
        File "${STAGE}/ICD PH 2024.txt"
        File "${STAGE}/ICD PH 2024_PROCEDURE.txt"
    ${Else}
        SetOutPath "$INSTDIR"
        ; The program folder keeps rate lists a user has changed.
        SetOverwrite ifnewer
        File "${STAGE}/ICD PH 2024.txt"
        File "${STAGE}/ICD PH 2024_PROCEDURE.txt"
        SetOverwrite on
    ${EndIf}
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\orvex.exe"

    WriteRegStr SHCTX "Software\${PUBLISHER}\${APP}" "InstallDir" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${APP}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orvex.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !include "${LISTS}/uninstall-files.nsh"
    Delete "$INSTDIR\program-folder\ICD PH 2024.txt"
    Delete "$INSTDIR\program-folder\ICD PH 2024_PROCEDURE.txt"
    RMDir "$INSTDIR\program-folder"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\${APP}.lnk"
    ; Only when nothing of the user's is left in it.
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    DeleteRegKey SHCTX "Software\${PUBLISHER}\${APP}"
SectionEnd
