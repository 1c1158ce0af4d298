; The Windows installer: the application, its plug-in module beside it and tolvane-check.exe,
; per machine under Program Files, with a Start-menu shortcut and an Apps entry.
; scripts/packaging/windows.sh runs makensis on it with these definitions:
;   NAME        product name: the folder, the shortcut, the Apps entry, "NAME.exe", "NAME.dll"
;   VERSION     version shown in Apps (e.g. 1.0.1)
;   VI_VERSION  the same with four numbers, for the version information (1.0.1.0)
;   STAGE       folder holding app.exe, plugin.dll, tolvane-check.exe and Licence.txt
;   ICON        the icon of the installer and the uninstaller
;   OUTFILE     the installer to write
; The Apps entry's key is fixed per product name, so installing another version over an
; installed one rewrites the same entry. Uninstalling removes what the installer put there
; and never the user's settings under %APPDATA%.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
BrandingText "${NAME} ${VERSION}"

VIProductVersion "${VI_VERSION}"
VIFileVersion "${VI_VERSION}"
VIAddVersionKey /LANG=1033 ProductName "${NAME}"
VIAddVersionKey /LANG=1033 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 CompanyName "Tolvane"
VIAddVersionKey /LANG=1033 FileDescription "${NAME} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 LegalCopyright "Tolvane"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; The GPL asks for no acceptance: the page informs, and "Next" goes on.
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "The program comes under the GNU General Public License, version 3. Its source is in TolvaneEditor-${VERSION}-source.tar.gz."
!insertmacro MUI_PAGE_LICENSE "${STAGE}\Licence.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A file that a running program holds (NAME.exe, or tolvane-check.exe with the module
; loaded) can be neither replaced nor removed, and left alone it would make a mix of two
; versions, or a folder that no entry removes any more. So both stop until the program is
; closed; a silent run ends with exit code 2 and changes nothing.
!macro FILE_IN_USE FILE
    ${If} $R0 == ""
    ${AndIf} ${FileExists} "${FILE}"
        ClearErrors
        FileOpen $0 "${FILE}" a
        ${If} ${Errors}
            StrCpy $R0 "${FILE}"
        ${Else}
            FileClose $0
        ${EndIf}
    ${EndIf}
!macroend

!macro WAIT_UNTIL_CLOSED
    ${Do}
        StrCpy $R0 ""
        !insertmacro FILE_IN_USE "$INSTDIR\${NAME}.exe"
        !insertmacro FILE_IN_USE "$INSTDIR\${NAME}.dll"
        !insertmacro FILE_IN_USE "$INSTDIR\tolvane-check.exe"
        ${If} $R0 == ""
            ${Break}
        ${EndIf}
        ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$R0 is in use.$\n$\nClose ${NAME}, then choose Retry." /SD IDCANCEL IDCANCEL`
            Abort
        ${EndIf}
    ${Loop}
!macroend

Function .onInit
    SetRegView 64
    SetShellVarContext all
    ; A new version goes where the installed one is, unless /D= named another folder.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    StrCmp $0 "" done
    StrCmp $INSTDIR "$PROGRAMFILES64\${NAME}" 0 done
    StrCpy $INSTDIR $0
done:
FunctionEnd

Section "${NAME}"
    !insertmacro WAIT_UNTIL_CLOSED
    SetOutPath "$INSTDIR"
    File "/oname=${NAME}.exe" "${STAGE}/app.exe"
    File "/oname=${NAME}.dll" "${STAGE}/plugin.dll"
    File "${STAGE}/tolvane-check.exe"
    File "${STAGE}/Licence.txt"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; Started from the shortcut, the program's current folder is its own.
    CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\${NAME}.exe" "" "$INSTDIR\${NAME}.exe" 0

    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tolvane"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${NAME}.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Uninstall"
    !insertmacro WAIT_UNTIL_CLOSED
    ; Only the files the installer wrote: a folder chosen by the user may hold other things,
    ; and then it stays.
    Delete "$INSTDIR\${NAME}.exe"
    Delete "$INSTDIR\${NAME}.dll"
    Delete "$INSTDIR\tolvane-check.exe"
    Delete "$INSTDIR\Licence.txt"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${NAME}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
