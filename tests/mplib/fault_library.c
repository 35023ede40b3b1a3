// A device library that misbehaves on purpose, by drive number, for the
// library host's tests: 1 answers, 2 dies of SIGSEGV, 3 never returns, 4
// exits with 7, 5 aborts, 6 fails with its own error texts. Every call moves
// the progress value by 40 from where the caller left it.
#include "mplib/mp_api.h"

#include <signal.h>
#include <unistd.h>

#include <stdlib.h>
#include <string.h>

static BYTE Behave(int drive, int32_t* progress, char* code, char* message) {
    if (progress)
        __atomic_fetch_add(progress, 40, __ATOMIC_RELAXED);
    switch (drive) {
    case 2:
        raise(SIGSEGV);
        break;
    case 3:
        for (;;)
            pause();
    case 4:
        _exit(7);
    case 5:
        abort();
    case 6:
        if (code)
            strcpy(code, "E42");
        if (message)
            strcpy(message, "Erase failed");
        return 0;
    default:
        break;
    }
    return 1;
}

// The call's texts as the library saw them, so the test can tell a null
// pointer from an empty text.
static void Echo(char* code, char* message, const char* folder, const char* name, const char* settings) {
    if (!message)
        return;
    strcpy(message, folder ? folder : "(null)");
    strcat(message, "|");
    strcat(message, name ? name : "(null)");
    strcat(message, "|");
    strcat(message, settings ? settings : "(null)");
    if (code)
        strcpy(code, "OK");
}

__attribute__((visibility("default"))) BYTE GetIdentifyInfoBuf(BYTE drive, BYTE* buffer) {
    if (Behave(drive, NULL, NULL, NULL) == 0)
        return 0;
    for (int i = 0; i < 512; ++i)
        buffer[i] = (BYTE)(i * 7 + drive);
    return 1;
}

#define EIGHT(name)                                                                                          \
    __attribute__((visibility("default"))) BYTE name(int drive, int one, const char* folder,                 \
                                                     const char* run, const char* settings,                  \
                                                     int32_t* progress, char* code, char* message) {         \
        const BYTE ok = Behave(drive, progress, code, message);                                              \
        (void)one;                                                                                           \
        if (ok)                                                                                              \
            Echo(code, message, folder, run, settings);                                                      \
        return ok;                                                                                           \
    }
EIGHT(DoPretestInit)
EIGHT(Read_RDT_Log)
EIGHT(Read_RDT_Bad_Log)
EIGHT(DoEraseAll)

__attribute__((visibility("default"))) BYTE DoPretestInit_RDTMARK(int drive, int one, const char* folder,
                                                                  const char* run, const char* settings,
                                                                  int32_t* progress, char* code,
                                                                  char* message, BYTE passed) {
    const BYTE ok = Behave(drive, progress, code, message);
    (void)one;
    if (ok)
        Echo(code, message, folder, run, settings);
    return ok && passed;
}

__attribute__((visibility("default"))) BYTE
DoPretestInit_RDTMARK_CEMASK(int drive, int one, const char* folder, const char* run, const char* settings,
                             int32_t* progress, char* code, char* message, BYTE passed, uint32_t mask) {
    const BYTE ok = Behave(drive, progress, code, message);
    (void)one;
    if (ok)
        Echo(code, message, folder, run, settings);
    return ok && passed && mask == 0xF0F0F0F0u;
}

__attribute__((visibility("default"))) BYTE GetAllFlashID(int drive, const char* file) {
    return Behave(drive, NULL, NULL, NULL) && file && strlen(file) > 0;
}
__attribute__((visibility("default"))) BYTE ScandBadBlock(int drive, const char* firmware, const char* file) {
    return Behave(drive, NULL, NULL, NULL) && firmware == NULL && file != NULL;
}
__attribute__((visibility("default"))) BYTE ModifyDeviceInfo(int drive, const char* model,
                                                             const char* serial) {
    return Behave(drive, NULL, NULL, NULL) && strcmp(model, "M") == 0 && strcmp(serial, "S") == 0;
}
__attribute__((visibility("default"))) BYTE DownLoadMicroCode(int drive, const char* file) {
    return Behave(drive, NULL, NULL, NULL) && file != NULL;
}
__attribute__((visibility("default"))) BYTE SecurityErase(int drive, char* message) {
    if (!Behave(drive, NULL, NULL, NULL))
        return 0;
    strcpy(message, "erased");
    return 1;
}
__attribute__((visibility("default"))) BYTE ResetSmart(int drive) {
    return Behave(drive, NULL, NULL, NULL);
}
// Mode 0 reads the area (a pattern), mode 1 checks what was written.
__attribute__((visibility("default"))) BYTE WriteReadPH(int drive, int mode, BYTE* buffer, int length) {
    if (!Behave(drive, NULL, NULL, NULL))
        return 0;
    for (int i = 0; i < length; ++i) {
        if (mode == 0)
            buffer[i] = (BYTE)(i % 251);
        else if (buffer[i] != (BYTE)(255 - i % 256))
            return 0;
    }
    return 1;
}
__attribute__((visibility("default"))) BYTE DoSearchSpecialPenDrive(void) {
    return 1;
}
__attribute__((visibility("default"))) BYTE ModifyDeviceInfoEx(void) {
    return 1;
}
__attribute__((visibility("default"))) BYTE DoScanWindows(void) {
    return 1;
}
__attribute__((visibility("default"))) BYTE SetHPA_DefineCapacity(void) {
    return 1;
}
