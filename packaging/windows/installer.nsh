; Lumaril's own parts of the installer, included by the script CPack makes (packaging/Windows.cmake
; defines LUMARIL_VERSION, LUMARIL_FILE_VERSION and LUMARIL_UNINSTALL_KEY first).
;
; An installation already there is left as it is until the user clicks Install: only then is it
; taken away, by its own uninstaller, just before the new files are written. Cancelling on any
; page before that leaves it whole. Should its uninstaller fail, setup stops and says so, and
; the old installation stays as it is; an Apps & features entry whose uninstaller is gone is
; only taken away.

!include FileFunc.nsh

; The folder above the installation folder, when setup made it (C:\Programmes é for
; C:\Programmes é\Lumaril): the uninstaller takes it away too once it is empty.
Var LumarilMadeFolder

; The installed files get the time they are installed rather than the build's, so that two
; builds of one commit make the same installer.
SetDateSave off

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

; The texts' names, in two scripts each, need the wide list of the components page; the
; descriptions are short.
!define MUI_COMPONENTSPAGE_SMALLDESC

!define MUI_CUSTOMFUNCTION_GUIINIT LumarilGuiInit
Function LumarilGuiInit
  ReadRegStr $0 SHCTX "${LUMARIL_UNINSTALL_KEY}" "DisplayVersion"
  StrCmp $0 "" lumaril_gui_done
  Call LumarilOldFolder
  Pop $1
  IfFileExists "$1\Uninstall.exe" 0 lumaril_gui_done
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

; Runs before the files are written (sections run in the order they are declared, and this
; one comes before CPack's own), while the folders setup is about to make are not there yet.
Section "-LumarilBeforeInstall"
  ${GetParent} "$INSTDIR" $0
  ; Carried over from the installation being replaced, which made it.
  ReadRegStr $LumarilMadeFolder SHCTX "${LUMARIL_UNINSTALL_KEY}" "LumarilMadeFolder"
  StrCmp $LumarilMadeFolder $0 lumaril_parent_done
  StrCpy $LumarilMadeFolder ""
  IfFileExists "$0\*.*" lumaril_parent_done
  StrCpy $LumarilMadeFolder $0
lumaril_parent_done:
SectionEnd

!macro LumarilRemoveOldInstallation
  ReadRegStr $0 SHCTX "${LUMARIL_UNINSTALL_KEY}" "UninstallString"
  StrCmp $0 "" lumaril_no_old
  Call LumarilOldFolder
  Pop $1
  IfFileExists "$1\Uninstall.exe" lumaril_uninstall
  ; Its files were deleted by hand: nothing can uninstall it, and the entry would stop every
  ; later setup.
  DetailPrint "Removing the Apps & features entry of a Lumaril whose uninstaller is gone"
  DeleteRegKey SHCTX "${LUMARIL_UNINSTALL_KEY}"
  Goto lumaril_no_old
lumaril_uninstall:
  DetailPrint "Removing the Lumaril installed in $1"
  ; _? runs the uninstaller in place and waits for it; it cannot delete itself then. It ends
  ; with 0 when it removed everything, anything else when it failed or was cancelled.
  ClearErrors
  ExecWait '"$1\Uninstall.exe" /S _?=$1' $2
  IfErrors lumaril_uninstall_failed
  StrCmp $2 "0" lumaril_uninstalled
lumaril_uninstall_failed:
  ; Only what this setup made so far is taken away: the new folders, still empty.
  RMDir "$INSTDIR"
  StrCmp $LumarilMadeFolder "" +2
    RMDir $LumarilMadeFolder
  MessageBox MB_OK|MB_ICONSTOP "The Lumaril installed in $1 could not be removed: its uninstaller ended with $2.$\n$\nNothing was changed. Uninstall it from Apps & features, then run this setup again." /SD IDOK
  Abort "The Lumaril installed in $1 could not be removed"
lumaril_uninstalled:
  Delete "$1\Uninstall.exe"
  RMDir "$1"
  SetOutPath "$INSTDIR"
lumaril_no_old:
!macroend

; A section of its own, declared before CPack's: the sections of the components write their
; files before CPack's first section runs, and a failing uninstaller must stop setup before
; anything is written.
Section "-LumarilRemoveOldInstallation"
  SetOutPath "$INSTDIR"
  !insertmacro LumarilRemoveOldInstallation
SectionEnd

!macro LumarilFinishInstallation
  ; Apps & features reads these as numbers; EstimatedSize is in KB.
  WriteRegDWORD SHCTX "${LUMARIL_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${LUMARIL_UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${LUMARIL_UNINSTALL_KEY}" "EstimatedSize" $0
  StrCmp $LumarilMadeFolder "" +2
    WriteRegStr SHCTX "${LUMARIL_UNINSTALL_KEY}" "LumarilMadeFolder" $LumarilMadeFolder
  ; CPack's own shortcut to the uninstaller is named only "Uninstall".
  Delete "$SMPROGRAMS\$STARTMENU_FOLDER\Uninstall.lnk"
!macroend

; In the uninstaller, read while the Apps & features entry is still there.
!macro LumarilBeforeUninstall
  ReadRegStr $LumarilMadeFolder SHCTX "${LUMARIL_UNINSTALL_KEY}" "LumarilMadeFolder"
!macroend

; In the uninstaller, after the installation folder is gone. RMDir takes only an empty folder.
!macro LumarilAfterUninstall
  StrCmp $LumarilMadeFolder "" +2
    RMDir $LumarilMadeFolder
!macroend
