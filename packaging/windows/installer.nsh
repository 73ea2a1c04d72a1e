; Lumaril's own parts of the installer, included by the script CPack makes (packaging/Windows.cmake
; defines LUMARIL_VERSION, LUMARIL_FILE_VERSION and LUMARIL_UNINSTALL_KEY first).
;
; An installation already there is left as it is until the user clicks Install: only then is it
; taken away, by its own uninstaller, just before the new files are written. Cancelling on any
; page before that leaves it whole.

!include FileFunc.nsh

Caption "Lumaril ${LUMARIL_VERSION} Setup"
BrandingText " "

VIProductVersion ${LUMARIL_FILE_VERSION}
VIFileVersion ${LUMARIL_FILE_VERSION}
VIAddVersionKey /LANG=1033 ProductName "Lumaril"
VIAddVersionKey /LANG=1033 CompanyName "Lumaril Project"
VIAddVersionKey /LANG=1033 FileDescription "Lumaril ${LUMARIL_VERSION} Setup"
VIAddVersionKey /LANG=1033 FileVersion "${LUMARIL_VERSION}"
VIAddVersionKey /LANG=1033 ProductVersion "${LUMARIL_VERSION}"
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (c) 2026 Lumaril Project"
VIAddVersionKey /LANG=1033 OriginalFilename "lumaril-${LUMARIL_VERSION}-windows-x64-setup.exe"

; The finish page offers to start the program, in its folder, where it finds quran.txt.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run Lumaril"
!define MUI_FINISHPAGE_RUN_FUNCTION LumarilRun
Function LumarilRun
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\lumaril.exe"'
FunctionEnd

!define MUI_CUSTOMFUNCTION_GUIINIT LumarilGuiInit
Function LumarilGuiInit
  ReadRegStr $0 SHCTX "${LUMARIL_UNINSTALL_KEY}" "DisplayVersion"
  StrCmp $0 "" lumaril_gui_done
  Call LumarilOldFolder
  Pop $1
  ; Offer the folder it is in, unless /D named another.
  StrCmp $IS_DEFAULT_INSTALLDIR "1" 0 +2
    StrCpy $INSTDIR $1
  MessageBox MB_OKCANCEL|MB_ICONINFORMATION "Lumaril $0 is installed in $1.$\n$\nSetup replaces it with Lumaril ${LUMARIL_VERSION} when you click Install. Until then it stays as it is." IDOK lumaril_gui_done
  Abort
lumaril_gui_done:
FunctionEnd

; The folder of the installation recorded in Apps & features, from its uninstaller's path.
Function LumarilOldFolder
  ReadRegStr $R0 SHCTX "${LUMARIL_UNINSTALL_KEY}" "UninstallString"
  StrCpy $R1 $R0 1
  StrCmp $R1 '"' 0 +2
    StrCpy $R0 $R0 -1 1
  ${GetParent} $R0 $R0
  Push $R0
FunctionEnd

!macro LumarilRemoveOldInstallation
  ReadRegStr $0 SHCTX "${LUMARIL_UNINSTALL_KEY}" "UninstallString"
  StrCmp $0 "" lumaril_no_old
  Call LumarilOldFolder
  Pop $1
  DetailPrint "Removing the Lumaril installed in $1"
  ; _? runs the uninstaller in place and waits for it; it cannot delete itself then.
  ClearErrors
  ExecWait '"$1\Uninstall.exe" /S _?=$1' $2
  IfErrors 0 +3
    MessageBox MB_OK|MB_ICONSTOP "The Lumaril installed in $1 could not be removed." /SD IDOK
    Abort
  Delete "$1\Uninstall.exe"
  RMDir "$1"
  SetOutPath "$INSTDIR"
lumaril_no_old:
!macroend

!macro LumarilFinishInstallation
  ; Apps & features reads these as numbers; EstimatedSize is in KB.
  WriteRegDWORD SHCTX "${LUMARIL_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${LUMARIL_UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${LUMARIL_UNINSTALL_KEY}" "EstimatedSize" $0
  ; CPack's own shortcut to the uninstaller is named only "Uninstall".
  Delete "$SMPROGRAMS\$STARTMENU_FOLDER\Uninstall.lnk"
!macroend
