; Windows installer for Tarnwick, built on Linux with makensis.
; Installs the program into Program Files with an uninstaller. Start-menu shortcuts are the
; program's own business (it keeps its group at every start); the uninstaller removes that
; group again, and leaves the user's data folder D:\Tarnwick alone.
;
; makensis -DVERSION=1.1 -DEXE=path\tarnwick.exe -DREADME=... -DLICENSE=... -DOUTFILE=... installer.nsi
Unicode true
; A 64-bit installer for a 64-bit program (and Wine without its 32-bit part runs it too).
Target amd64-unicode
!include "MUI2.nsh"

!ifndef VERSION
  !error "VERSION is not defined"
!endif

Name "Tarnwick 一键截图 ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tarnwick"
InstallDirRegKey HKLM "Software\Tarnwick" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick"

!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tarnwick.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Tarnwick"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Tarnwick installer"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "The Tarnwick developers"

Section "Tarnwick" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=tarnwick.exe" "${EXE}"
  File "/oname=README.md" "${README}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\Tarnwick" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tarnwick 一键截图"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tarnwick"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarnwick.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\tarnwick.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The shortcuts the program made for itself, for the user who ran it.
  SetShellVarContext current
  Delete "$SMPROGRAMS\Tarnwick\Tarnwick-----一键截图.lnk"
  RMDir "$SMPROGRAMS\Tarnwick"
  Delete "$STARTMENU\Tarnwick\Tarnwick-----一键截图.lnk"
  RMDir "$STARTMENU\Tarnwick"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Tarnwick"
SectionEnd
