#ifndef KELVARA_FAKE_VELMAR_H
#define KELVARA_FAKE_VELMAR_H
/* A stand-in for libvelmar.so in tests: records every call, as text such as
 * "range 0 12500" or "data /p/3d_data/data_3.bin", and can refuse calls. */
#ifdef __cplusplus
extern "C" {
#endif

void FakeVelmar_Reset(void);
int FakeVelmar_CallCount(void);
/* The call's text; valid until the next reset. */
const char* FakeVelmar_Call(int index);
/* An id of the thread that made the call (equal ids: the same thread). */
unsigned long FakeVelmar_CallThread(int index);
/* The next `times` calls of `function` ("angle", "data", "range", "ratio",
 * "color", "coordinates") return 1 instead of 0. */
void FakeVelmar_Refuse(const char* function, int times);
/* As FakeVelmar_Refuse, returning `result` instead of 1. */
void FakeVelmar_RefuseWith(const char* function, int times, int result);

#ifdef __cplusplus
}
#endif
#endif
