// Standard output, checked: a result that cannot be written is a failed run.
#ifndef OUTPUT_H
#define OUTPUT_H

// Buffers standard output without the heap, and keeps the process alive when
// a pipe's reader leaves, so that a lost line is an error to report rather
// than a signal that could stop a write half-way through the run.
void output_setup();

// printf to standard output, remembering why the first failed line failed:
// some C libraries write at once and keep no error number for the flush.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void output(const char *format, ...);

// Flushes standard output. Returns 0, or the error number of its first
// failed write, which stays the answer from then on.
int output_flush();

// Flushes standard output for the last time; if anything on it was lost,
// says so on standard error. Returns the exit status to end with: status,
// or 1 where status was 0 and output was lost.
int output_finish(int status);

#endif
