; KPRT5-setup.exe: puts the middleware and its two handset libraries into the program-files folder,
; writes the machine-wide autostart value that the program watches, and registers an uninstaller.
;
; makensis -DBIN_DIR=<folder with KPRT5.exe, ZU_VAZ.dll, ROre.dll> -DICON_FILE=<kprt5.ico>
;          -DOUTFILE=<KPRT5-setup.exe> kprt5.nsi
;
; The folder is fixed: the program builds its per-user autostart path from the program-files folder
; and "\ZELT KP-RT5\MW\KPRT5.exe", so it must live exactly there.
;
; The program is 32-bit and reads HKLM in the 32-bit registry view, so every registry write here
; uses SetRegView 32 (Wow6432Node on a 64-bit system). It ends itself within about a second when the
; machine-wide value disappears; the uninstaller removes that value first and waits for the program's
; window to go before it removes the files.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef BIN_DIR
  !error "define BIN_DIR: the folder with KPRT5.exe, ZU_VAZ.dll and ROre.dll"
!endif
!ifndef OUTFILE
  !error "define OUTFILE: the installer to write"
!endif
!ifndef ICON_FILE
  !error "define ICON_FILE: the program's icon"
!endif

; The version shown in Add/Remove Programs is the program's own version record.
!getdllversion "${BIN_DIR}/KPRT5.exe" KPRT5_VERSION_
!define VERSION "${KPRT5_VERSION_1}.${KPRT5_VERSION_2}.${KPRT5_VERSION_3}.${KPRT5_VERSION_4}"

!define PRODUCT_NAME "ZELT KP-RT5 Middleware"
!define PUBLISHER "Vexlo"
!define PRODUCT_FOLDER "ZELT KP-RT5"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "VizeRizozMiddleware"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VizeRizozMiddleware"
!define UNINSTALLER "uninstall.exe"
; The program's main window: a dialog with this caption.
!define WINDOW_CLASS "#32770"
!define WINDOW_CAPTION "Vexlo ZELT KP-RT5"
; How long to wait for a running program to end: 100 polls of 100 ms.
!define END_POLLS 100

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES32\${PRODUCT_FOLDER}\MW"
BrandingText "${PUBLISHER} ${PRODUCT_NAME} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT_NAME} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
; The last page offers to start the program (a silent install shows no pages, so it starts nothing).
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The program's own languages; the one matching the user's language is chosen, else English.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Czech"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Greek"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "Finnish"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "Dutch"
!insertmacro MUI_LANGUAGE "Portuguese"
!insertmacro MUI_LANGUAGE "PortugueseBR"
!insertmacro MUI_LANGUAGE "Swedish"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "TradChinese"

; Waits until no window of the program is left, polling every 100 ms up to END_POLLS times.
; The program ends itself once the machine-wide value is gone (its uninstall watch runs every second).
!macro DEFINE_WAIT_FOR_PROGRAM_END prefix
Function ${prefix}WaitForProgramEnd
  Push $0
  Push $1
  StrCpy $0 0
  poll:
    FindWindow $1 "${WINDOW_CLASS}" "${WINDOW_CAPTION}"
    StrCmp $1 0 ended
    IntCmp $0 ${END_POLLS} timed_out
    Sleep 100
    IntOp $0 $0 + 1
    Goto poll
  timed_out:
    DetailPrint "KPRT5.exe is still running; files in use are removed at the next restart."
  ended:
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_WAIT_FOR_PROGRAM_END ""
!insertmacro DEFINE_WAIT_FOR_PROGRAM_END "un."

Function .onInit
  SetRegView 32
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 32
  SetShellVarContext all
FunctionEnd

Function StartProgram
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\KPRT5.exe"'
FunctionEnd

Section "Install"
  ; A copy that runs now holds its files open: take its value away so that it ends by itself, the
  ; same way an uninstall ends it, and write the value again once the new files are in place.
  FindWindow $0 "${WINDOW_CLASS}" "${WINDOW_CAPTION}"
  StrCmp $0 0 files_free
    DetailPrint "Waiting for the running KPRT5.exe to end"
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
    Call WaitForProgramEnd
  files_free:

  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${BIN_DIR}/KPRT5.exe"
  File "${BIN_DIR}/ZU_VAZ.dll"
  File "${BIN_DIR}/ROre.dll"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" "$INSTDIR\KPRT5.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\KPRT5.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMajor" ${KPRT5_VERSION_1}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMinor" ${KPRT5_VERSION_2}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ; First the value: the running program sees it gone, hands the default audio device back and ends.
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  Call un.WaitForProgramEnd

  Delete /REBOOTOK "$INSTDIR\KPRT5.exe"
  Delete /REBOOTOK "$INSTDIR\ZU_VAZ.dll"
  Delete /REBOOTOK "$INSTDIR\ROre.dll"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir /REBOOTOK "$INSTDIR"
  ; The product folder goes too when nothing else lives in it.
  ${GetParent} "$INSTDIR" $0
  RMDir "$0"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The per-user autostart value belongs to the program and stays.
SectionEnd
