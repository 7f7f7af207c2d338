/* The public header compiled as C, and every export called through it. */
#include "railfmt/railfmt.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;
#define CHECK(cond)                                                              \
  do {                                                                           \
    if (!(cond)) {                                                               \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                                \
    }                                                                            \
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
  snprintf(c->chars, sizeof c->chars, "%s", s);
  return c->chars;
}

/* A 64-byte file starting with the two bytes; its path in path. */
static void put(char *path, size_t n, const char *dir, const char *name, unsigned char b0, unsigned char b1) {
  unsigned char head[64] = {0};
  FILE *f;
  head[0] = b0;
  head[1] = b1;
  snprintf(path, n, "%s/%s", dir, name);
  f = fopen(path, "wb");
  if (f) {
    fwrite(head, 1, sizeof head, f);
    fclose(f);
  }
}

int main(int argc, char **argv) {
  const char *dir = argc > 1 ? argv[1] : ".";
  char path[400], dst[400];
  Counted cs, cd;
  FILE *f;
  DriverRecord d[2] = {{102345, "", "Zhang", 0, 1, 3, "", 1}, {-1, 0, 0, 0, 0, 0, 0, 0}};
  StationRecord s[2] = {{1, 1, "Beijingxi", 10001, 20001, 30001, 40001}, {0, 0, 0, 0, 0, 0, 0}};
  JcTypeRecord j[2] = {{106, "", "HXD1"}, {0, 0, 0}};
  JwdRecord w[2] = {{1, "Jingguang"}, {0, 0}};
  LinshiRecord l[2] = {{1, 2, 0, 0, 1000, 2000, 101, 0, 1231, 86399, 45, 9, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
  ZhuDuanRecord z[1] = {{106, 203, {11, 1, 0, 0, 0, 0}}};
  uint16_t codes[2] = {0x8124, 0x8125};

  CHECK(lJkFileType("") == RAILFMT_TYPE_UNKNOWN);
  put(path, sizeof path, dir, "c_header_t3.bin", 0x54, 0x33);
  CHECK(lJkFileType(path) == RAILFMT_TYPE_TAX3);
  put(path, sizeof path, dir, "c_header_fmt.bin", 0xA6, 0x6A);
  CHECK(lJkFileType(path) == RAILFMT_TYPE_FORMATTED);
  put(path, sizeof path, dir, "c_header_unknown.bin", 0x12, 0x34);
  CHECK(lJkFileType(path) == RAILFMT_TYPE_UNKNOWN);

  /* table setters, each with two records, then empty */
  getDriverInfo(d, 1);
  getStationInfo(s, 1);
  getJcTypeInfo(j, 1);
  getJwdInfo(w, 1);
  getLinshiInfo(l, 1);
  SetZhuDuan(z, 0);
  SetPBEvtCode(codes, 1);
  SetPBEvtCode(NULL, -1);
  getLinshiInfo(NULL, -1);

  /* NewFmtFile: a missing source gives -1, writes nothing and gives back its references */
  snprintf(path, sizeof path, "%s/c_header_missing.bin", dir);
  snprintf(dst, sizeof dst, "%s/c_header_missing.binF", dir);
  remove(path);
  remove(dst);
  CHECK(lJkFileType(path) == RAILFMT_TYPE_UNKNOWN);
  CHECK(NewFmtFile(counted(&cs, path), counted(&cd, dst)) == -1);
  f = fopen(dst, "rb");
  CHECK(f == NULL);
  if (f) fclose(f);
  CHECK(cs.refs == 1 && cd.refs == 1);

  /* TransSingleFile: no converter for an unknown file; TransFmtFile: no date in the name */
  snprintf(path, sizeof path, "%s/c_header_unknown.bin", dir);
  snprintf(dst, sizeof dst, "%s/c_header_unknown.binF", dir);
  CHECK(TransSingleFile(path, dst) == 1);
  CHECK(TransFmtFile("c_header_unknown.bin", dir, dir, dir, 0) == 1);

  if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
  else printf("c_header_test: all checks passed\n");
  return failures ? 1 : 0;
}
