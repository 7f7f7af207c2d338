#include <railfmt/railfmt.h>
#include <stdio.h>

int main(int argc, char **argv) {
  /* a file that does not exist is of type 0 */
  int32_t t = lJkFileType(argc > 1 ? argv[1] : "no-such-file");
  SetPBEvtCode(NULL, -1);
  printf("type %d\n", (int)t);
  return t == RAILFMT_TYPE_UNKNOWN ? 0 : 1;
}
