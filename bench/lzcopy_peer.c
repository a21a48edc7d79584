/* The Windows library's own expansion as a peer for lz_bench.sh: LZOpenFileA + LZCopy of one
   file, timed inside the program so that the Windows loader's start-up is not counted.
   Built with mingw-w64 and run under wine64; never part of the build or the tests. */
#include <stdio.h>
#include <windows.h>
#include <lzexpand.h>

int main(int argc, char** argv) {
  OFSTRUCT in, out;
  LARGE_INTEGER frequency, start, end;
  if (argc != 3) return 1;
  INT source = LZOpenFileA(argv[1], &in, OF_READ);
  INT destination = LZOpenFileA(argv[2], &out, OF_CREATE);
  if (source < 0 || destination < 0) return 2;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  LONG bytes = LZCopy(source, destination);
  QueryPerformanceCounter(&end);
  LZClose(source);
  LZClose(destination);
  if (bytes < 0) return 3;
  double seconds = (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
  printf("%ld bytes in %.3f s: %.1f MB/s\n", (long)bytes, seconds, bytes / seconds / 1e6);
  return 0;
}
