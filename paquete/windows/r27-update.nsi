; The Windows installer of the updater: the window r27-update.exe, the command
; line r27-actualizar.exe and idiomas.ini beside them, in Program Files (the
; 32-bit build in Program Files (x86)); a Start-menu entry that starts in the
; install folder; an uninstaller registered in Add/Remove Programs.
;
;   makensis -DBITS=64|32 -DVERSION=3.01 -DFUENTE=<folder with the three files>
;            -DSALIDA=<setup.exe> r27-update.nsi
Unicode true
; zlib: a few seconds to build, against a minute for lzma, for a setup a tenth larger.
SetCompressor /SOLID zlib
RequestExecutionLevel admin

!include "x64.nsh"

!define PRODUCTO "R27 Update"
!define CLAVE "Software\Microsoft\Windows\CurrentVersion\Uninstall\R27Update"

Name "${PRODUCTO} ${VERSION}"
OutFile "${SALIDA}"
!if ${BITS} == 64
  InstallDir "$PROGRAMFILES64\${PRODUCTO}"
!else
  InstallDir "$PROGRAMFILES32\${PRODUCTO}"
!endif
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCTO}"
VIAddVersionKey "FileDescription" "R27 signal meter updater setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "R27 updater maintainers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
!if ${BITS} == 64
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "This is the 64-bit updater; use the 32-bit setup on this Windows."
    Abort
  ${EndIf}
  SetRegView 64
!endif
FunctionEnd

Function un.onInit
!if ${BITS} == 64
  SetRegView 64
!endif
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "${FUENTE}\r27-update.exe"
  File "${FUENTE}\r27-actualizar.exe"
  File "${FUENTE}\idiomas.ini"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts in the install folder, where idiomas.ini is.
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${PRODUCTO}"
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCTO}\${PRODUCTO}.lnk" "$INSTDIR\r27-update.exe" "" "$INSTDIR\r27-update.exe" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCTO}\Uninstall ${PRODUCTO}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${CLAVE}" "DisplayName" "${PRODUCTO}"
  WriteRegStr HKLM "${CLAVE}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${CLAVE}" "Publisher" "R27 updater maintainers"
  WriteRegStr HKLM "${CLAVE}" "DisplayIcon" "$INSTDIR\r27-update.exe"
  WriteRegStr HKLM "${CLAVE}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${CLAVE}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${CLAVE}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${CLAVE}" "NoModify" 1
  WriteRegDWORD HKLM "${CLAVE}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCTO}\${PRODUCTO}.lnk"
  Delete "$SMPROGRAMS\${PRODUCTO}\Uninstall ${PRODUCTO}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCTO}"
  Delete "$INSTDIR\r27-update.exe"
  Delete "$INSTDIR\r27-actualizar.exe"
  Delete "$INSTDIR\idiomas.ini"
  ; The uninstaller runs from a copy of itself; the original may still be held
  ; for a moment by the process that started the copy: try again for 5 s.
  StrCpy $0 0
  borrar_desinstalador:
    ClearErrors
    Delete "$INSTDIR\uninstall.exe"
    IfErrors 0 desinstalador_borrado
    IntOp $0 $0 + 1
    IntCmp $0 20 desinstalador_borrado
    Sleep 250
    Goto borrar_desinstalador
  desinstalador_borrado:
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${CLAVE}"
SectionEnd
