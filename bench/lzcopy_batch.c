/* The Windows library's LZ expansion on many files in one start: LZOpenFileW + LZCopy of each
   SOURCE into DESTINATION for every pair on the command line, one line per file with the bytes
   written (or the error), the time inside the program. Built with mingw-w64 and run under Wine
   by bench/compress_bench.sh; never part of the build or the tests. */
#include <stdio.h>
#include <windows.h>
#include <lzexpand.h>

int wmain(int argc, wchar_t** argv) {
  LARGE_INTEGER frequency, start, end;
  int failures = 0;
  QueryPerformanceFrequency(&frequency);
  for (int i = 1; i + 1 < argc; i += 2) {
    OFSTRUCT in, out;
    INT source = LZOpenFileW(argv[i], &in, OF_READ);
    INT destination = LZOpenFileW(argv[i + 1], &out, OF_CREATE);
    if (source < 0 || destination < 0) {
      printf("%ls: cannot open (%d %d)\n", argv[i], source, destination);
      ++failures;
      continue;
    }
    QueryPerformanceCounter(&start);
    LONG bytes = LZCopy(source, destination);
    QueryPerformanceCounter(&end);
    LZClose(source);
    LZClose(destination);
    double seconds = (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
    if (bytes < 0) ++failures;
    printf("%ls: %ld bytes in %.3f s\n", argv[i], (long)bytes, seconds);
  }
  return failures ? 1 : 0;
}
