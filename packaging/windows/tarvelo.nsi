; The Windows installer: the programs, every library they load, the help and the splash,
; a Start menu entry, and an uninstaller listed among the installed programs.
; makensis -DVERSION=... -DSTAGE=<folder of the files> -DFILES=<Delete and RMDir lines for
;   them> -DICON=<.ico> -DOUTFILE=<setup.exe>
; A 64-bit installer for the 64-bit program (it also runs where no 32-bit layer is).
Target amd64-unicode
!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvelo"

Name "Tarvelo ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tarvelo"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Tarvelo"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Tarvelo.lnk" "$INSTDIR\Tarvelo.exe" "" "$INSTDIR\Tarvelo.exe" 0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tarvelo"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Korvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tarvelo.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there goes: protocols, logs and anything else the user or
; the program made in the folder stay, and the folder with them.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Tarvelo.lnk"
  !include "${FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  IfFileExists "$INSTDIR\*.*" 0 done
    DetailPrint "Папка $INSTDIR оставлена: в ней файлы, которые установщик не ставил."
    IfSilent done
    MessageBox MB_OK|MB_ICONINFORMATION "Папка $INSTDIR оставлена: в ней файлы, которые установщик не ставил (например, протоколы). Удалите их сами, если они не нужны."
  done:
SectionEnd
