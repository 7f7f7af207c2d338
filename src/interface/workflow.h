// The folder workflow behind TransFmtFile: the date code of a raw file name
// and the steps that convert the file into the work folder and archive it.
#pragma once

#include <string>

namespace railfmt {

// The recording date a raw file name carries in its extension.
//   short form: NAME.MD  month 1-9, A-C; day 1-9, A-V (either case)
//   long form:  NAME-with-dash.MMDD
struct DateCode {
  bool dated = false;
  int month = 0;
  int day = 0;
};
DateCode ParseDateCode(const std::string& fileName);

}  // namespace railfmt
