; The Windows installer: for the current user, without administrator rights, into the user's own
; programs folder, with a Start-menu shortcut for the editor. The uninstaller removes exactly what
; the installer put there, and leaves anything else the user keeps in that folder.
; makensis -DVERSION=1.6.1 -DFILE_VERSION=1.6.1.0 -DSTAGE=folder -DICON=file.ico -DOUTFILE=setup.exe installer.nsi

Unicode true
; The programs are x64 only, and so is the installer: it runs where they run, without WOW64.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define APP "Thornvale Text Editor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ThornvaleTextEditor"
!define SHORTCUT "$SMPROGRAMS\${APP}.lnk"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} installer"
VIAddVersionKey /LANG=1033 "CompanyName" "The Thornvale Text Editor developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "MIT licence"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}/thornvale-editor.exe"
  File "${STAGE}/thornvale-text.exe"
  File "${STAGE}/sample.nes"
  File "${STAGE}/README.md"
  File "${STAGE}/LICENSE.txt"
  File "${STAGE}/THIRD-PARTY.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\thornvale-editor.exe" "" "$INSTDIR\thornvale-editor.exe" 0

  ; Apps & features lists it for this user, with its own uninstaller.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Thornvale Text Editor developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\thornvale-editor.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "${SHORTCUT}"
  Delete "$INSTDIR\thornvale-editor.exe"
  Delete "$INSTDIR\thornvale-text.exe"
  Delete "$INSTDIR\sample.nes"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY.txt"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only if empty: an image the user kept here stays, and so does its folder.
  RMDir "$INSTDIR"
  ; The installer made the user's programs folder if it was not there; it goes when nothing else
  ; is in it.
  RMDir "$LOCALAPPDATA\Programs"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
