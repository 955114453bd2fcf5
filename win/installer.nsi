; The Windows installer: per user (no administrator), the programs and their fonts in the
; user's own programs folder, Start-menu entries for the game and "Play with sound", and an
; uninstaller listed among the user's apps. Built by win/win.cmake:
;   makensis -DVERSION=1.1 -DPUBLISHER=NAME -DSTAGE=DIR -DICON=ICO -DOUTFILE=FILE win/installer.nsi
; It shows the game's icon, and the apps list gives the icon, version, maker and size.
; 64-bit like the programs (and Wine here runs 64-bit programs only)
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
!include "MUI2.nsh"
!include "FileFunc.nsh"

!define NAME "Super Zorvane!"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\SuperZorvane"
Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Super Zorvane"
InstallDirRegKey HKCU "${KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${NAME} installer"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}, MIT licence"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\zorvane.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Install"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}\zorvane.exe" "${STAGE}\zorvane-replay.exe" "${STAGE}\LICENSE.txt" "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\fonts"
  File "${STAGE}\fonts\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${NAME}"
  CreateShortcut "$SMPROGRAMS\${NAME}\${NAME}.lnk" "$INSTDIR\zorvane.exe"
  CreateShortcut "$SMPROGRAMS\${NAME}\Play with sound.lnk" "$INSTDIR\zorvane.exe" "--sound"
  WriteRegStr HKCU "${KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${KEY}" "DisplayIcon" "$INSTDIR\zorvane.exe,0"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${KEY}" "EstimatedSize" $0
  WriteRegStr HKCU "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${KEY}" "NoRepair" 1
SectionEnd

; Removes what the installer put there, by name: nothing else in the folder is touched
; (a recording the player saved there stays).
Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\${NAME}\${NAME}.lnk"
  Delete "$SMPROGRAMS\${NAME}\Play with sound.lnk"
  RMDir "$SMPROGRAMS\${NAME}"
  Delete "$INSTDIR\zorvane.exe"
  Delete "$INSTDIR\zorvane-replay.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\fonts\*.ttf"
  Delete "$INSTDIR\fonts\licence-*.txt"
  RMDir "$INSTDIR\fonts"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${KEY}"
SectionEnd
