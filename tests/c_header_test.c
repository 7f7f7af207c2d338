/* The public header compiled as C, and every export called through it. */
#include "railfmt/railfmt.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;
#define CHECK(cond)                                                     \
  do {                                                                  \
    if (!(cond)) {                                                      \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                       \
    }                                                                   \
  } while (0)

/* A counted text as NewFmtFile expects: reference count, length, chars. */
typedef struct {
  int32_t refs;
  int32_t length;
  char chars[512];
} Counted;

static const char *counted(Counted *c, const char *s) {
  c->refs = 1;
  c->length = (int32_t)strlen(s);
  strncpy(c->chars, s, sizeof c->chars - 1);
  c->chars[sizeof c->chars - 1] = 0;
  return c->chars;
}

static void write_file(const char *path, const unsigned char *bytes, size_t n) {
  FILE *f = fopen(path, "wb");
  if (!f) {
    perror(path);
    exit(2);
  }
  fwrite(bytes, 1, n, f);
  fclose(f);
}

static int exists(const char *path) {
  FILE *f = fopen(path, "rb");
  if (f) fclose(f);
  return f != NULL;
}

int main(int argc, char **argv) {
  const char *dir = argc > 1 ? argv[1] : ".";
  char path[400], dst[400];
  unsigned char head[64];
  Counted cs, cd;

  /* file types */
  CHECK(lJkFileType("") == RAILFMT_TYPE_UNKNOWN);
  snprintf(path, sizeof path, "%s/c_header_missing.bin", dir);
  remove(path);
  CHECK(lJkFileType(path) == RAILFMT_TYPE_UNKNOWN);
  memset(head, 0, sizeof head);
  head[0] = 0x54; head[1] = 0x33; /* "T3" */
  snprintf(path, sizeof path, "%s/c_header_t3.bin", dir);
  write_file(path, head, sizeof head);
  CHECK(lJkFileType(path) == RAILFMT_TYPE_TAX3);
  head[0] = 0xA6; head[1] = 0x6A;
  snprintf(path, sizeof path, "%s/c_header_fmt.bin", dir);
  write_file(path, head, sizeof head);
  CHECK(lJkFileType(path) == RAILFMT_TYPE_FORMATTED);
  head[0] = 0x12; head[1] = 0x34;
  snprintf(path, sizeof path, "%s/c_header_unknown.bin", dir);
  write_file(path, head, sizeof head);
  CHECK(lJkFileType(path) == RAILFMT_TYPE_UNKNOWN);

  /* table setters, each with two records and then empty */
  {
    DriverRecord d[2] = {{102345, "", "Zhang", 0, 1, 3, "", 1}, {-1, 0, 0, 0, 0, 0, 0, 0}};
    StationRecord s[2] = {{1, 1, "Beijingxi", 10001, 20001, 30001, 40001}, {0, 0, 0, 0, 0, 0, 0}};
    JcTypeRecord j[2] = {{106, "", "HXD1"}, {0, 0, 0}};
    JwdRecord w[2] = {{1, "Jingguang"}, {0, 0}};
    LinshiRecord l[2];
    ZhuDuanRecord z[1] = {{106, 203, {11, 1, 0, 0, 0, 0}}};
    uint16_t codes[2] = {0x8124, 0x8125};
    memset(l, 0, sizeof l);
    l[0].line = 1; l[0].direction = 2; l[0].start_pos = 1000; l[0].end_pos = 2000;
    l[0].start_date = 101; l[0].end_date = 1231; l[0].end_time = 86399; l[0].speed = 45; l[0].kind = 9;
    getDriverInfo(d, 1);
    getStationInfo(s, 1);
    getJcTypeInfo(j, 1);
    getJwdInfo(w, 1);
    getLinshiInfo(l, 1);
    SetZhuDuan(z, 0);
    SetPBEvtCode(codes, 1);
    SetPBEvtCode(NULL, -1);
    getLinshiInfo(NULL, -1);
  }

  /* NewFmtFile: a missing source gives -1 and writes nothing */
  snprintf(path, sizeof path, "%s/c_header_missing.bin", dir);
  snprintf(dst, sizeof dst, "%s/c_header_missing.binF", dir);
  remove(dst);
  CHECK(NewFmtFile(counted(&cs, path), counted(&cd, dst)) == -1);
  CHECK(!exists(dst));
  CHECK(cs.refs == 1 && cd.refs == 1); /* the reference taken is given back */

  /* TransSingleFile: no converter for an unknown file */
  snprintf(path, sizeof path, "%s/c_header_unknown.bin", dir);
  snprintf(dst, sizeof dst, "%s/c_header_unknown.binF", dir);
  CHECK(TransSingleFile(path, dst) == 1);

  /* TransFmtFile: a name without a date is not dated */
  CHECK(TransFmtFile("c_header_unknown.bin", dir, dir, dir, 0) == 1);

  if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
  else printf("c_header_test: all checks passed\n");
  return failures ? 1 : 0;
}
