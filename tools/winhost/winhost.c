/*
 * A small host program for the railfmt library, as a Windows host uses it:
 * it loads the library at run time (LoadLibraryA / GetProcAddress on
 * Windows, dlopen / dlsym elsewhere), hands over reference tables, converts
 * the input files it is given with every conversion export, and runs the
 * folder workflow on copies of them in a folder tree of its own.
 *
 *   winhost LIBRARY OUTDIR INPUT...
 *
 * Everything it produces lands under OUTDIR, so two runs (the Windows DLL
 * under Wine, the Linux shared object natively) can be compared byte for
 * byte:
 *   OUTDIR/results.txt        one line per input: type and every result code
 *   OUTDIR/in/NAME            the input copy the single-file exports read
 *                             (a TAX3 dump's recordings appear beside it)
 *   OUTDIR/single/NAME.ts     TransSingleFile output
 *   OUTDIR/single/NAME.nf     NewFmtFile output
 *   OUTDIR/tree/{D,W,A}       the TransFmtFile source, work and archive folders
 *   OUTDIR/threads/{A,B}      the single-file outputs again, made by two
 *                             threads calling the exports at the same time
 * Exit code 0 when the library loaded and every export was found.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#define HOST_CALL __stdcall
#define SEP "\\"
typedef HMODULE Library;
typedef HANDLE Thread;
static Library OpenLibrary(const char *path) { return LoadLibraryA(path); }
static void *Symbol(Library lib, const char *name) { return (void *)GetProcAddress(lib, name); }
static int MakeDir(const char *path) { return CreateDirectoryA(path, NULL) ? 0 : -1; }
static void MakeReadOnly(const char *path) { SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY); }
#else
#include <dlfcn.h>
#include <pthread.h>
#include <sys/stat.h>
#define HOST_CALL
#define SEP "/"
typedef void *Library;
typedef pthread_t Thread;
static Library OpenLibrary(const char *path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void *Symbol(Library lib, const char *name) { return dlsym(lib, name); }
static int MakeDir(const char *path) { return mkdir(path, 0755); }
static void MakeReadOnly(const char *path) { chmod(path, 0444); }
#endif

#include "railfmt/railfmt.h"
#include "export_list.h"

typedef int32_t(HOST_CALL *PathFn)(const char *);
typedef int32_t(HOST_CALL *TwoPathFn)(const char *, const char *);
typedef int32_t(HOST_CALL *TransFmtFn)(const char *, const char *, const char *, const char *,
                                       uint8_t);
typedef void(HOST_CALL *CodesFn)(const uint16_t *, int32_t);
typedef void(HOST_CALL *TableFn)(const void *, int32_t);

static struct {
  PathFn lJkFileType;
  TwoPathFn TransSingleFile;
  TwoPathFn NewFmtFile;
  TransFmtFn TransFmtFile;
  CodesFn SetPBEvtCode;
  TableFn SetZhuDuan, getDriverInfo, getStationInfo, getJcTypeInfo, getJwdInfo, getLinshiInfo;
} api;

/* The table has one entry for each export of the list and no other. */
#define COUNT_EXPORT(n, bytes) +1
typedef char ApiTableMatchesTheExportList[sizeof api == (0 RAILFMT_EXPORT_LIST(COUNT_EXPORT)) * sizeof(PathFn) ? 1 : -1];
#undef COUNT_EXPORT

static int Resolve(Library lib, void **slot, const char *name) {
  *slot = Symbol(lib, name);
  if (!*slot) fprintf(stderr, "winhost: export %s not found\n", name);
  return *slot != NULL;
}

/* ------------------------------------------------------------ files */

static long LoadAll(const char *path, unsigned char **data) {
  FILE *f = fopen(path, "rb");
  long n = 0;
  *data = NULL;
  if (!f) return -1;
  if (fseek(f, 0, SEEK_END) == 0) n = ftell(f);
  fseek(f, 0, SEEK_SET);
  *data = (unsigned char *)malloc(n > 0 ? (size_t)n : 1);
  if (!*data || (n > 0 && fread(*data, 1, (size_t)n, f) != (size_t)n)) n = -1;
  fclose(f);
  return n;
}

static int CopyTo(const char *from, const char *to) {
  unsigned char *data;
  long n = LoadAll(from, &data);
  FILE *f;
  int ok;
  if (n < 0) {
    free(data);
    return -1;
  }
  f = fopen(to, "wb");
  ok = f && fwrite(data, 1, (size_t)n, f) == (size_t)n;
  if (f && fclose(f) != 0) ok = 0;
  free(data);
  return ok ? 0 : -1;
}

static const char *BaseName(const char *path) {
  const char *b = path, *p;
  for (p = path; *p; ++p)
    if (*p == '/' || *p == '\\') b = p + 1;
  return b;
}

static void Join(char *dst, size_t cap, const char *a, const char *b) {
  snprintf(dst, cap, "%s" SEP "%s", a, b);
}

/* ------------------------------------------------------------ counted texts */

/* The host runtime's string form: reference count, length, characters. */
typedef struct {
  int32_t *block;
} Counted;

static Counted MakeCounted(const char *text) {
  Counted c;
  size_t n = strlen(text);
  c.block = (int32_t *)malloc(8 + n + 1);
  c.block[0] = 1;
  c.block[1] = (int32_t)n;
  memcpy((char *)(c.block + 2), text, n + 1);
  return c;
}
static const char *CountedText(Counted c) { return (const char *)(c.block + 2); }

/* ------------------------------------------------------------ reference tables */

static void HandOverTables(void) {
  static const uint16_t masked[] = {0x0105, 0x8301};
  static DriverRecord drivers[2];
  static StationRecord stations[2];
  static JcTypeRecord types[2];
  static JwdRecord jwd[1];
  static LinshiRecord linshi[1];
  static ZhuDuanRecord zhuduan[1];

  drivers[0].number = 1234;
  drivers[0].name = "\xD5\xC5\xC8\xFD"; /* a two-character GBK name */
  drivers[0].flag16 = 1;
  drivers[0].value20 = 0x41;
  drivers[0].value28 = 0x42;
  drivers[1].number = 5678;
  drivers[1].name = "DRIVER-B";

  stations[0].line = 12;
  stations[0].station = 34;
  stations[0].name = "\xB1\xB1\xBE\xA9"; /* GBK station name */
  stations[0].czbm04 = 4;
  stations[1].line = 12;
  stations[1].station = 35;
  stations[1].name = "STATION-35";

  types[0].code = 101;
  types[0].name = "TYPE101";
  types[1].code = 102;
  types[1].name = "TYPE102";

  jwd[0].key = 1;
  jwd[0].text = "JWD-ONE";

  linshi[0].line = 12;
  linshi[0].direction = 2;
  linshi[0].level = 1;
  linshi[0].start_pos = 0;
  linshi[0].end_pos = 99999999;
  linshi[0].start_date = 101;
  linshi[0].end_date = 1231;
  linshi[0].end_time = 86399;
  linshi[0].speed = 45;
  linshi[0].kind = 9;

  zhuduan[0].type_code = 101;
  zhuduan[0].loco_number = 1;
  memcpy(zhuduan[0].depot, "DEPOT1", 6);

  api.SetPBEvtCode(masked, 1);
  api.getDriverInfo(drivers, 1);
  api.getStationInfo(stations, 1);
  api.getJcTypeInfo(types, 1);
  api.getJwdInfo(jwd, 0);
  api.getLinshiInfo(linshi, 0);
  api.SetZhuDuan(zhuduan, 0);
}

/* ------------------------------------------------------------ two threads */

/* 1 when both files are missing or both hold the same bytes. */
static int SameContent(const char *a, const char *b) {
  unsigned char *da, *db;
  long na = LoadAll(a, &da), nb = LoadAll(b, &db);
  int same = na == nb && (na <= 0 || memcmp(da, db, (size_t)na) == 0);
  free(da);
  free(db);
  return same;
}

/* One of the two threads: every input through TransSingleFile and
 * NewFmtFile again, into a folder of its own; counts the outputs that equal
 * the ones made before by the calls alone. */
typedef struct {
  const char *in, *single, *out;
  char **inputs;
  int count, same;
} Worker;

static void ConvertAll(Worker *w) {
  char src[2048], dst[2048], ref[2048], name[512];
  int i, k;
  for (i = 0; i < w->count; ++i) {
    const char *base = BaseName(w->inputs[i]);
    Join(src, sizeof src, w->in, base);
    for (k = 0; k < 2; ++k) {
      snprintf(name, sizeof name, "%s.%s", base, k == 0 ? "ts" : "nf");
      Join(dst, sizeof dst, w->out, name);
      Join(ref, sizeof ref, w->single, name);
      if (k == 0) {
        api.TransSingleFile(src, dst);
      } else {
        Counted csrc = MakeCounted(src), cdst = MakeCounted(dst);
        api.NewFmtFile(CountedText(csrc), CountedText(cdst));
        free(csrc.block);
        free(cdst.block);
      }
      w->same += SameContent(dst, ref);
    }
  }
}

#ifdef _WIN32
static DWORD WINAPI WorkerMain(LPVOID w) {
  ConvertAll((Worker *)w);
  return 0;
}
static int StartThread(Thread *t, Worker *w) {
  *t = CreateThread(NULL, 0, WorkerMain, w, 0, NULL);
  return *t ? 0 : -1;
}
static void JoinThread(Thread t) {
  WaitForSingleObject(t, INFINITE);
  CloseHandle(t);
}
#else
static void *WorkerMain(void *w) {
  ConvertAll((Worker *)w);
  return NULL;
}
static int StartThread(Thread *t, Worker *w) { return pthread_create(t, NULL, WorkerMain, w); }
static void JoinThread(Thread t) { pthread_join(t, NULL); }
#endif

/* Two threads at once over every input; the library runs their calls one at
 * a time, so each output is the one the call made alone gave. */
static int RunTwoThreads(FILE *results, const char *outdir, const char *in, const char *single,
                         char **inputs, int count) {
  char dir[1024], out[2][1024];
  Worker w[2];
  Thread t[2];
  int k;
  Join(dir, sizeof dir, outdir, "threads");
  MakeDir(dir);
  for (k = 0; k < 2; ++k) {
    Join(out[k], sizeof out[k], dir, k == 0 ? "A" : "B");
    MakeDir(out[k]);
    w[k].in = in;
    w[k].single = single;
    w[k].out = out[k];
    w[k].inputs = inputs;
    w[k].count = count;
    w[k].same = 0;
  }
  for (k = 0; k < 2; ++k)
    if (StartThread(&t[k], &w[k]) != 0) {
      fprintf(stderr, "winhost: cannot start a thread\n");
      return -1;
    }
  for (k = 0; k < 2; ++k) JoinThread(t[k]);
  fprintf(results, "two threads: %d of %d outputs as made alone\n", w[0].same + w[1].same, 4 * count);
  return 0;
}

/* ------------------------------------------------------------ main */

int main(int argc, char **argv) {
  char in[1024], single[1024], tree[1024], dirD[1024], dirW[1024], dirA[1024];
  char path[2048], dst[2048], name[512];
  FILE *results;
  Library lib;
  const char *rawInput = NULL; /* the first input of a type the workflow archives */
  int i, ok = 1;

  if (argc < 3) {
    fprintf(stderr, "usage: winhost LIBRARY OUTDIR INPUT...\n");
    return 2;
  }
  lib = OpenLibrary(argv[1]);
  if (!lib) {
    fprintf(stderr, "winhost: cannot load %s\n", argv[1]);
    return 2;
  }
  /* Every export of the list, into the table entry of that name. */
#define RESOLVE(n, bytes) ok &= Resolve(lib, (void **)&api.n, #n);
  RAILFMT_EXPORT_LIST(RESOLVE)
#undef RESOLVE
  if (!ok) return 2;

  MakeDir(argv[2]);
  Join(in, sizeof in, argv[2], "in");
  Join(single, sizeof single, argv[2], "single");
  Join(tree, sizeof tree, argv[2], "tree");
  Join(dirD, sizeof dirD, tree, "D");
  Join(dirW, sizeof dirW, tree, "W");
  Join(dirA, sizeof dirA, tree, "A");
  MakeDir(in);
  MakeDir(single);
  MakeDir(tree);
  MakeDir(dirD);
  Join(path, sizeof path, argv[2], "results.txt");
  results = fopen(path, "wb");
  if (!results) return 2;

  /* An empty table first, then the real ones (a later call replaces). */
  api.getDriverInfo(NULL, -1);
  HandOverTables();

  for (i = 3; i < argc; ++i) {
    const char *base = BaseName(argv[i]);
    int32_t type, ts, nf, tf;
    Counted csrc, cdst;
    int refsBack;

    Join(path, sizeof path, in, base);
    if (CopyTo(argv[i], path) != 0) {
      fprintf(stderr, "winhost: cannot copy %s\n", argv[i]);
      return 2;
    }
    type = api.lJkFileType(path);
    if (!rawInput && (type == RAILFMT_TYPE_JK2H || type == RAILFMT_TYPE_JK96 ||
                      type == RAILFMT_TYPE_LKJ93 || type == RAILFMT_TYPE_L2000))
      rawInput = argv[i];

    snprintf(name, sizeof name, "%s.ts", base);
    Join(dst, sizeof dst, single, name);
    ts = api.TransSingleFile(path, dst);

    snprintf(name, sizeof name, "%s.nf", base);
    Join(dst, sizeof dst, single, name);
    csrc = MakeCounted(path);
    cdst = MakeCounted(dst);
    nf = api.NewFmtFile(CountedText(csrc), CountedText(cdst));
    refsBack = csrc.block[0] == 1 && cdst.block[0] == 1;
    free(csrc.block);
    free(cdst.block);

    /* The workflow on a dated copy: long form on even, short form on odd. */
    if ((i - 3) % 2 == 0) snprintf(name, sizeof name, "R%02d-%s.1225", i - 3, base);
    else snprintf(name, sizeof name, "R%02d.37", i - 3);
    Join(dst, sizeof dst, dirD, name);
    CopyTo(argv[i], dst);
    tf = api.TransFmtFile(name, dirD, dirW, dirA, (uint8_t)(i & 1));

    fprintf(results, "%s type=%d single=%d newfmt=%d refs=%s trans=%d\n", base, (int)type,
            (int)ts, (int)nf, refsBack ? "back" : "LEAKED", (int)tf);

    /* A formatted file meets its own name in the work folder. */
    if (type == RAILFMT_TYPE_FORMATTED) {
      CopyTo(argv[i], dst);
      tf = api.TransFmtFile(name, dirD, dirW, dirA, 0);
      fprintf(results, "%s again trans=%d\n", base, (int)tf);
    }
  }

  if (RunTwoThreads(results, argv[2], in, single, argv + 3, argc - 3) != 0) return 2;

  /* Read-only raw files: a long-form one is renamed and leaves the source
   * folder, a short-form one is archived but cannot be deleted. */
  if (rawInput) {
    static const char *const readOnly[] = {"RO-L.0307", "RO.37"};
    for (i = 0; i < 2; ++i) {
      Join(dst, sizeof dst, dirD, readOnly[i]);
      CopyTo(rawInput, dst);
      MakeReadOnly(dst);
      fprintf(results, "%s trans=%d\n", readOnly[i],
              (int)api.TransFmtFile(readOnly[i], dirD, dirW, dirA, 0));
    }
  }

  /* An undated name, and a name that tries to leave the source folder. */
  Join(dst, sizeof dst, dirD, "UNDATED.ZZ");
  if (argc > 3) CopyTo(argv[3], dst);
  fprintf(results, "undated trans=%d\n", (int)api.TransFmtFile("UNDATED.ZZ", dirD, dirW, dirA, 0));
  fprintf(results, "escape trans=%d\n",
          (int)api.TransFmtFile(".." SEP "results.txt", dirD, dirW, dirA, 0));
  fprintf(results, "missing type=%d\n", (int)api.lJkFileType("no-such-file"));

  return fclose(results) == 0 ? 0 : 2;
}
