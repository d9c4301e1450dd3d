/* ROre.dll: the handset's audio function. Exported by undecorated name; __stdcall, results int.
   `device` names the handset, e.g. "Vid_7a3e&Pid_01b5". */
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* mode 0: make the handset the default audio device; mode 1: hand the default back. */
int __stdcall VistaSetDefaultAudio(int mode, const char* device, int third, int fourth);
/* mode 1: set the microphone's automatic gain control to *value; mode 0: read it into *value. */
int __stdcall VistaSetMicAGC(int mode, const char* device, UINT* value);
/* mode 0: read the speaker level in dB into *levelDb; mode 1: set it to *levelDb. */
int __stdcall VistaSetSpeakerVolumeLevelDB(int mode, const char* device, float* levelDb);

#ifdef __cplusplus
}
#endif
