// Reference tables from CSV files, handed to the library through its
// setter exports.
//
// A folder may hold drivers.csv, stations.csv, loco_types.csv,
// positions.csv, restrictions.csv and depots.csv (each optional). Every file
// starts with a header row naming its columns (any order; optional columns
// may be left out). Files are UTF-8 (a byte-order mark is allowed); texts are
// converted to GBK on load. Blank lines and lines starting with '#' are
// ignored. Fields may be quoted ("..." with "" for a quote).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace railfmt::cli {

// A malformed table: what() is "file:line: message".
class TableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TableSummary {
  std::string file;   // base name, e.g. "drivers.csv"
  std::size_t rows = 0;
};

// Loads every table file present in the folder and hands it to the library.
// Throws TableError for a malformed file (nothing of that file is handed
// over) and when the folder does not exist or holds none of the files.
std::vector<TableSummary> LoadTables(const std::string& dir);

// "0105,8301" -> codes (hexadecimal, separated by commas or blanks).
// Throws std::invalid_argument with a one-line message.
std::vector<uint16_t> ParseCodeList(const std::string& text);
// Hands the list to SetPBEvtCode.
void SetMaskedCodes(const std::vector<uint16_t>& codes);

// CSV parsing, exposed for tests: the rows of a text, each a list of fields,
// with the line number where the row starts. Throws TableError (with the
// given file name) for an unterminated quote.
struct CsvRow {
  int line = 0;
  std::vector<std::string> fields;
};
std::vector<CsvRow> ParseCsv(const std::string& text, const std::string& fileName);

}  // namespace railfmt::cli
