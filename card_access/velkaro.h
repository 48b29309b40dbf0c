// The four functions of the card access library that feregtool calls,
// declared as the tool calls them.
#ifndef VELKARO_H
#define VELKARO_H

#include <cstdint>

#if defined(_WIN32)
#if defined(VELKARO_BUILDING_LIBRARY)
#define VELKARO_API __declspec(dllexport)
#else
#define VELKARO_API __declspec(dllimport)
#endif
#else
#define VELKARO_API __attribute__((visibility("default")))
#endif

extern "C" {

// Opens one channel; a negative result means the open failed.
// The name is the library's own, reserved identifier or not.
VELKARO_API int32_t __velkaro_open_api_span_chan(int32_t span, int32_t chan); // NOLINT

VELKARO_API int32_t velkaro_close(int32_t *fd);

// Both return 0 on success, any other value is a failure code.
VELKARO_API int32_t velkaro_fe_reg_read(int32_t fd, uint32_t reg, uint8_t *data);
VELKARO_API int32_t velkaro_fe_reg_write(int32_t fd, uint32_t reg, uint8_t data);
}

#endif
