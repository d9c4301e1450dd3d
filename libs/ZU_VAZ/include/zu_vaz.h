/* ZU_VAZ.dll: the handset's HID library. Exported by ordinal only; every function and the callback
   use __stdcall, every argument is 32 bits, every result is an int. */
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void(__stdcall* HidCallback)(UINT message, UINT wParam, UINT lParam);

/* 1: watch for the handset; device message N is reported as messageN. Nonzero = started. */
int __stdcall HidStartMonitor(HidCallback callback, UINT message0, UINT message1, UINT message2,
                              UINT message3, UINT message4, UINT message5, UINT message6,
                              UINT message7, UINT message8, UINT vendorId, UINT productId);
int __stdcall HidStopMonitor(void);                                    /* 3 */
int __stdcall HidOnDeviceChange(UINT wParam, UINT lParam);             /* 4 */
int __stdcall HidStartKeyScan4x4(void);                                /* 5 */
int __stdcall HidStopKeyScan(void);                                    /* 6 */
int __stdcall HidBuzzerOn(void);                                       /* 7 */
int __stdcall HidBuzzerOff(void);                                      /* 8 */
int __stdcall HidWriteEeprom(UINT address, UINT value);                /* 9 */
int __stdcall HidReadEeprom(UINT address, UINT* value);                /* 10: nonzero = read */
/* 11: watch for raw reports only, reported as reportMessage. Nonzero = started. */
int __stdcall HidStartReportMonitor(UINT first, HidCallback callback, UINT reportMessage, UINT vendorId,
                                    UINT productId);
int __stdcall HidSetReport(UINT byte0, UINT byte1, UINT byte2, UINT byte3);  /* 12 */
int __stdcall HidSetGpio(UINT levelBits, UINT outputBits);                   /* 13 */
int __stdcall HidSetScanKeyBuzzer(UINT flag);                                /* 14 */
int __stdcall HidSetBuzzerDuration(UINT milliseconds);                       /* 15 */
int __stdcall HidSetKeyScanSpeed(int milliseconds);                          /* 16 */
int __stdcall HidStartKeyScan4x5(void);                                      /* 17 */
int __stdcall HidStartKeyScan2x3(void);                                      /* 18 */
int __stdcall HidStartKeyScan2x2(UINT pullHigh);                             /* 19 */

#ifdef __cplusplus
}
#endif
