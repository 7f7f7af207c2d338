# Writes the charting library IN as a C++ include OUT (the bytes of a char
# array, zero-terminated), so the tool carries the library and the page
# needs no network.
file(READ ${IN} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT}.tmp "// Generated from ${IN}; not in the repository.\n${bytes}0x00\n")
file(RENAME ${OUT}.tmp ${OUT})
