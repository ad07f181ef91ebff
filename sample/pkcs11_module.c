/* One of the seven token-vendor modules of the sample payload: a real DLL with the PKCS#11 entry
   point, which declines every request. Built once per shipped name; VL_MODULE_NAME makes each
   file's contents differ, and VlSampleModuleName lets a test tell the placed files apart. */
#include <windows.h>

#define CKR_FUNCTION_NOT_SUPPORTED 0x00000054UL

__declspec(dllexport) unsigned long C_GetFunctionList(void** function_list) {
  if (function_list) *function_list = NULL;
  return CKR_FUNCTION_NOT_SUPPORTED;
}

__declspec(dllexport) const char* VlSampleModuleName(void) { return VL_MODULE_NAME; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
