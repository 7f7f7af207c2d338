// The L2000 converter: files of protocol version 101 and later go to the
// event engine; older files are read by the record loop of their own.
#pragma once

#include "legacy/workarea.h"

namespace railfmt::legacy {

// Header, start-up records, record loop and close of a file older than
// protocol version 101. On entry the work area has been reset, header block
// 1 is in w.b[0..127] and the input stands after it.
void ConvertL2000Old(WorkArea& w);

}  // namespace railfmt::legacy
