; The Windows installer: kazutobi-setup-<version>.exe, built by scripts/build-windows --installer
;   makensis -DVERSION=1.2.3 -DSTAGE=<the zip's kazutobi folder> -DOUTFILE=<exe> kazutobi-setup.nsi
;
; Per computer: the program folder "kazutobi" in $INSTDIR (C:\Program Files\Kazutobi\kazutobi);
; パスデータ.txt beside it names the shared base folder, whose data folder is named like the
; program folder. The installer writes パスデータ.txt only when none is there, so an upgrade keeps
; the school's; the program itself writes it, in code page 932 whatever this computer's code page.
;
; Silent deployment:   kazutobi-setup.exe /S /SHARE=\\server\kazutobi\
; Silent upgrade:      kazutobi-setup.exe /S
; Exit codes: 0 installed; 1 cancelled; 2 the program is running (nothing changed);
;             3 installed, but パスデータ.txt could not be written.
; A 64-bit installer for a 64-bit program: its own registry view and Program Files, and no
; 32-bit Windows layer needed to run it (Wine without one included).
Target amd64-unicode
SetCompressor /SOLID lzma
; "setup" in the name makes Windows guess an installer; the manifest says so already.
!pragma warning disable 9000
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!ifndef VERSION
  !error "VERSION is needed"
!endif
!ifndef STAGE
  !error "STAGE is needed"
!endif
!ifndef OUTFILE
  !error "OUTFILE is needed"
!endif

!define PRODUCT "カズトビ１"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\kazutobi"
!define PROGRAM_DIR "$INSTDIR\kazutobi"
!define PATH_FILE "$INSTDIR\パスデータ.txt"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kazutobi"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=0 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 FileVersion "${VERSION}"
VIAddVersionKey /LANG=0 FileDescription "${PRODUCT} セットアップ"
VIAddVersionKey /LANG=0 LegalCopyright "kazutobi"

Var Share         ; the shared folder asked for, or given with /SHARE=
Var ShareField

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_COMPONENTS
Page custom SharePage SharePageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; The program's own files can only be replaced while it is closed: Windows keeps a running
; program's file open. The same test runs again before the files are copied.
!macro ProgramRunning result
  StrCpy ${result} 0
  ${If} ${FileExists} "${PROGRAM_DIR}\kazutobi.exe"
    ClearErrors
    FileOpen $R9 "${PROGRAM_DIR}\kazutobi.exe" a
    ${If} ${Errors}
      StrCpy ${result} 1
    ${Else}
      FileClose $R9
    ${EndIf}
  ${EndIf}
!macroend

; Silent, a running program ends the installer at once with exit code 2, before any change.
Function WaitForClosedProgram
  check:
  !insertmacro ProgramRunning $0
  StrCmp $0 0 done
  IfSilent 0 ask
  SetErrorLevel 2
  Quit
  ask:
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
    "${PRODUCT}が動いています。すべてのウィンドウを閉じてから「再試行」を押してください。" \
    IDRETRY check
  SetErrorLevel 2
  Quit
  done:
FunctionEnd

Function .onInit
  SetShellVarContext all
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/SHARE=" $Share
  ${If} ${Errors}
    StrCpy $Share ""
  ${EndIf}
  Call WaitForClosedProgram
FunctionEnd

; Asked only when no path file is there: an upgrade keeps the school's.
Function SharePage
  ${IfThen} ${FileExists} "${PATH_FILE}" ${|} Abort ${|}
  !insertmacro MUI_HEADER_TEXT "共有フォルダ" "学校の共有フォルダを指定してください。"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 48u "すべてのコンピューターが使う共有フォルダ（共通データ.txt、新名簿.txt、音フォルダ があるフォルダ）を入れてください。例: \\server\kazutobi\$\r$\n空のままにすると パスデータ.txt を書きません（あとで $INSTDIR に置いてください）。"
  Pop $0
  ${NSD_CreateText} 0 56u 100% 12u "$Share"
  Pop $ShareField
  nsDialogs::Show
FunctionEnd

Function SharePageLeave
  ${NSD_GetText} $ShareField $Share
  ${If} $Share == ""
    MessageBox MB_YESNO|MB_ICONQUESTION "共有フォルダが空です。パスデータ.txt を書かずに続けますか？" IDYES +2
    Abort
  ${EndIf}
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  Call WaitForClosedProgram
  SetOutPath "${PROGRAM_DIR}"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "${PROGRAM_DIR}\kazutobi.exe" "" "${PROGRAM_DIR}\kazutobi.exe" 0 SW_SHOWNORMAL "" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${PROGRAM_DIR}\kazutobi.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "${PROGRAM_DIR}" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  ; The program writes the path file: code page 932, CR LF, its ten fields. A trailing
  ; backslash is doubled, or it would escape the closing quote of the argument.
  ${If} $Share != ""
  ${AndIfNot} ${FileExists} "${PATH_FILE}"
    StrCpy $0 $Share
    StrCpy $1 $0 1 -1
    ${IfThen} $1 == "\" ${|} StrCpy $0 "$0\" ${|}
    nsExec::ExecToStack '"${PROGRAM_DIR}\kazutobi.exe" --write-path-file "$0"'
    Pop $1
    Pop $2
    DetailPrint $2
    ${If} $1 != 0
      MessageBox MB_ICONEXCLAMATION "パスデータ.txt を書けませんでした。$\r$\n$2" /SD IDOK
      SetErrorLevel 3
    ${EndIf}
  ${EndIf}
SectionEnd

Section /o "デスクトップにも" SecDesktop
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "${PROGRAM_DIR}\kazutobi.exe" "" "${PROGRAM_DIR}\kazutobi.exe" 0 SW_SHOWNORMAL "" "${PRODUCT}"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "プログラム、スタートメニューの項目、アンインストーラー"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "デスクトップに ${PRODUCT} のショートカットを作ります"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function un.onInit
  SetShellVarContext all
FunctionEnd

; Removes the program and its entries. The shared folder is never touched; the path file stays
; unless the person uninstalling asks (a silent uninstall keeps it).
Section "Uninstall"
  !insertmacro ProgramRunning $0
  ${If} $0 = 1
    MessageBox MB_ICONSTOP "${PRODUCT}が動いています。閉じてからもう一度アンインストールしてください。" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  RMDir /r "${PROGRAM_DIR}"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${If} ${FileExists} "${PATH_FILE}"
    MessageBox MB_YESNO|MB_DEFBUTTON2|MB_ICONQUESTION \
      "共有フォルダを指す ${PATH_FILE} も削除しますか？$\r$\n（共有フォルダの中は削除しません）" \
      /SD IDNO IDNO +2
    Delete "${PATH_FILE}"
  ${EndIf}
  RMDir "$INSTDIR"
SectionEnd
