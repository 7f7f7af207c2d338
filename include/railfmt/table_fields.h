/* railfmt: the host reference tables and their fields, one list.
 *
 * RAILFMT_TABLES(T) names each table: T(csv file name, record type, setter,
 * field list). Each field list gives, in the order of the record in
 * railfmt/railfmt.h, X(field, C type, store, csv, reset):
 *   store  INT   kept as it is          TEXT  a GBK text, kept as a copy
 *          FLAG  kept modulo 32767      RAW   bytes passed through
 *          NONE  not read
 *   csv    REQ or OPT: a required or optional column of the tool's CSV
 *          file of that name; NONE: no column
 *   reset  the field's value when a table is set back to its reset values
 *
 * The library's storage, copies and reset values are generated from these
 * lists and the records of railfmt/railfmt.h are checked against them at
 * compile time; the tool's CSV columns come from them; tests check the
 * Python module's field lists and the README's CSV table against them. */
#ifndef RAILFMT_TABLE_FIELDS_H
#define RAILFMT_TABLE_FIELDS_H

#define RAILFMT_DRIVER_FIELDS(X)          \
  X(number, int32_t, INT, REQ, -1)        \
  X(text1, const char *, TEXT, OPT, "")   \
  X(name, const char *, TEXT, REQ, "0")   \
  X(value12, int32_t, INT, OPT, 0)        \
  X(flag16, int16_t, FLAG, OPT, 0)        \
  X(value20, int32_t, INT, OPT, 0)        \
  X(text3, const char *, TEXT, OPT, "")   \
  X(value28, int32_t, INT, OPT, 0)

#define RAILFMT_STATION_FIELDS(X)         \
  X(line, uint16_t, INT, REQ, 0)          \
  X(station, uint16_t, INT, REQ, 0)       \
  X(name, const char *, TEXT, REQ, "")    \
  X(czbm04, int32_t, INT, OPT, 0)         \
  X(czbm05, int32_t, INT, OPT, 0)         \
  X(czbm06, int32_t, INT, OPT, 0)         \
  X(czbm07, int32_t, INT, OPT, 0)

#define RAILFMT_JCTYPE_FIELDS(X)          \
  X(code, uint16_t, INT, REQ, 0)          \
  X(text1, const char *, TEXT, OPT, "")   \
  X(name, const char *, TEXT, REQ, "")

#define RAILFMT_JWD_FIELDS(X)             \
  X(key, uint16_t, INT, REQ, 0)           \
  X(text, const char *, TEXT, REQ, "")

#define RAILFMT_LINSHI_FIELDS(X)          \
  X(line, uint16_t, INT, REQ, 0)          \
  X(direction, uint16_t, INT, REQ, 0)     \
  X(value4, uint16_t, INT, OPT, 0)        \
  X(level, int16_t, INT, OPT, 0)          \
  X(start_pos, int32_t, INT, REQ, 0)      \
  X(end_pos, int32_t, INT, REQ, 0)        \
  X(start_date, int32_t, INT, REQ, 0)     \
  X(start_time, int32_t, INT, REQ, 0)     \
  X(end_date, int32_t, INT, REQ, 0)       \
  X(end_time, int32_t, INT, REQ, 0)       \
  X(speed, int16_t, INT, REQ, 0)          \
  X(kind, uint16_t, INT, REQ, 0)          \
  X(reserved36, int32_t, NONE, NONE, 0)

#define RAILFMT_ZHUDUAN_FIELDS(X)         \
  X(type_code, int16_t, RAW, REQ, 0)      \
  X(loco_number, int16_t, RAW, REQ, 0)    \
  X(depot, uint8_t[6], RAW, REQ, 0)

#define RAILFMT_TABLES(T)                                             \
  T(drivers, DriverRecord, getDriverInfo, RAILFMT_DRIVER_FIELDS)      \
  T(stations, StationRecord, getStationInfo, RAILFMT_STATION_FIELDS)  \
  T(loco_types, JcTypeRecord, getJcTypeInfo, RAILFMT_JCTYPE_FIELDS)   \
  T(positions, JwdRecord, getJwdInfo, RAILFMT_JWD_FIELDS)             \
  T(restrictions, LinshiRecord, getLinshiInfo, RAILFMT_LINSHI_FIELDS) \
  T(depots, ZhuDuanRecord, SetZhuDuan, RAILFMT_ZHUDUAN_FIELDS)

/* The CSV columns of a field list as "name", items (all, or the required). */
#define RAILFMT_CSV_COLUMN_REQ(f) #f,
#define RAILFMT_CSV_COLUMN_OPT(f) #f,
#define RAILFMT_CSV_COLUMN_NONE(f)
#define RAILFMT_CSV_REQUIRED_REQ(f) #f,
#define RAILFMT_CSV_REQUIRED_OPT(f)
#define RAILFMT_CSV_REQUIRED_NONE(f)
#define RAILFMT_CSV_COLUMN(f, type, store, csv, reset) RAILFMT_CSV_COLUMN_##csv(f)
#define RAILFMT_CSV_REQUIRED(f, type, store, csv, reset) RAILFMT_CSV_REQUIRED_##csv(f)

#endif
