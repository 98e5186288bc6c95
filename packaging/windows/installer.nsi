; The Windows installer of Quantaline, made with makensis by tools/build-windows.sh:
;   makensis -DVERSION=1.1.0 -DBIN_DIR=<folder of the .exe> -DSOURCE_DIR=<checkout>
;            -DOUT_FILE=<setup .exe> packaging/windows/installer.nsi
; Installs for every user into C:\Program Files\Quantaline\ (the 64-bit folder), with a
; Start-menu entry, an uninstaller registered in "Programs and Features" and an "Open with"
; entry for the video files the open dialog lists, which never becomes their default program.
; Each user's settings and reports are in %LOCALAPPDATA%\Quantaline\ and stay his.
; A 64-bit installer for a 64-bit program: it runs where the program runs, writes the 64-bit
; registry view and Program Files folder without redirection, and needs no 32-bit layer
; (Wine built without its 32-bit part cannot start the usual x86 installers at all).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include "MUI2.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Quantaline"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quantaline"
!define APP_KEY "Software\Classes\Applications\quantaline.exe"
!define PROGID "Quantaline.VideoMPEG"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
Icon "${BIN_DIR}\quantaline.ico"
UninstallIcon "${BIN_DIR}\quantaline.ico"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1036 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1036 "FileDescription" "Installation de ${PRODUCT}"
VIAddVersionKey /LANG=1036 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "LegalCopyright" "Copyright (c) 2026 the Quantaline developers"

!define MUI_ICON "${BIN_DIR}\quantaline.ico"
!define MUI_UNICON "${BIN_DIR}\quantaline.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quantaline.exe"
!insertmacro MUI_PAGE_LICENSE "${SOURCE_DIR}\LICENSE"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The program speaks French: so do its installer and uninstaller.
!insertmacro MUI_LANGUAGE "French"

; The extensions of the open dialog's file list.
!macro FOR_EACH_EXTENSION MACRO
  !insertmacro ${MACRO} ".m2v"
  !insertmacro ${MACRO} ".mpg"
  !insertmacro ${MACRO} ".mv2"
  !insertmacro ${MACRO} ".mpeg"
  !insertmacro ${MACRO} ".m1v"
  !insertmacro ${MACRO} ".mpv"
  !insertmacro ${MACRO} ".vob"
  !insertmacro ${MACRO} ".ts"
  !insertmacro ${MACRO} ".m2ts"
  !insertmacro ${MACRO} ".mts"
!macroend

; "Open with" only: a value under the extension's OpenWithProgids and the application's
; SupportedTypes. The extension's default value (its default program) is never written.
!macro ADD_OPEN_WITH EXT
  WriteRegStr HKLM "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKLM "${APP_KEY}\SupportedTypes" "${EXT}" ""
!macroend
!macro REMOVE_OPEN_WITH EXT
  DeleteRegValue HKLM "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty HKLM "Software\Classes\${EXT}\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\${EXT}"
!macroend

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Quantaline demande une version 64 bits de Windows."
    Abort
  ${EndIf}
  ; The 64-bit view of the registry, where a 64-bit program's entries belong.
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Quantaline"
  SetOutPath "$INSTDIR"
  File "${BIN_DIR}\quantaline.exe"
  File "${BIN_DIR}\quantaline-cli.exe"
  File "/oname=LISEZMOI.txt" "${BIN_DIR}\README.txt"
  File "/oname=LICENCE.txt" "${BIN_DIR}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The Start-menu entry, for every user.
  SetShellVarContext all
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\quantaline.exe" "" \
                 "$INSTDIR\quantaline.exe" 0

  ; "Programs and Features"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quantaline.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; "Open with": the application and a ProgID of its own, offered for each extension.
  WriteRegStr HKLM "${APP_KEY}" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr HKLM "${APP_KEY}\DefaultIcon" "" "$INSTDIR\quantaline.exe,0"
  WriteRegStr HKLM "${APP_KEY}\shell\open\command" "" '"$INSTDIR\quantaline.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "Vidéo MPEG (Quantaline)"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\quantaline.exe,0"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" \
              '"$INSTDIR\quantaline.exe" "%1"'
  !insertmacro FOR_EACH_EXTENSION ADD_OPEN_WITH
  ; SHCNE_ASSOCCHANGED: Explorer reads the new entries now.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\quantaline.exe"
  Delete "$INSTDIR\quantaline-cli.exe"
  Delete "$INSTDIR\LISEZMOI.txt"
  Delete "$INSTDIR\LICENCE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  !insertmacro FOR_EACH_EXTENSION REMOVE_OPEN_WITH
  DeleteRegKey HKLM "${APP_KEY}"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
