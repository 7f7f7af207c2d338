/*
 * railfmt: converts raw locomotive event-recorder downloads into formatted
 * record files (a 52-byte header followed by 26-byte records).
 *
 * Plain C interface of the shared library (librailfmt.so / railfmt.dll).
 * All exports use the Windows standard calling convention on 32-bit Windows
 * and keep their undecorated names. Texts are 8-bit (GBK) zero-terminated.
 *
 * The library is single-threaded: call one export at a time.
 */
#ifndef RAILFMT_RAILFMT_H
#define RAILFMT_RAILFMT_H

#include <stdint.h>

#if defined(_WIN32)
#define RAILFMT_CALL __stdcall
#if defined(RAILFMT_BUILDING)
#define RAILFMT_API __declspec(dllexport)
#else
#define RAILFMT_API __declspec(dllimport)
#endif
#else
#define RAILFMT_CALL
#if defined(RAILFMT_BUILDING)
#define RAILFMT_API __attribute__((visibility("default")))
#else
#define RAILFMT_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------ file types */
enum {
  RAILFMT_TYPE_UNKNOWN = 0,   /* not recognised, or no such file          */
  RAILFMT_TYPE_JK2H = 1,
  RAILFMT_TYPE_JK96 = 2,      /* recognised, never converted              */
  RAILFMT_TYPE_LKJ93 = 3,
  RAILFMT_TYPE_RING = 4,      /* ring-buffer download (A0h A1h)           */
  RAILFMT_TYPE_L2000 = 100,
  RAILFMT_TYPE_FORMATTED = 102,
  RAILFMT_TYPE_TAX3 = 103     /* TAX3 unit dump ("T3")                    */
};

/* --------------------------------------------- host reference table records
 * Plain C structs; on 32-bit targets their natural layout is exactly the
 * byte layout the library reads (sizes 32, 24, 12, 8, 40 and 10 bytes).
 * Text fields are zero-terminated GBK texts; a null pointer is an empty
 * text. The library copies everything before the setter returns.          */

typedef struct DriverRecord {
  int32_t number;        /*  0: driver number (key)                       */
  const char *text1;     /*  4: stored only                               */
  const char *name;      /*  8: the driver's name                         */
  int32_t value12;       /* 12: stored only                               */
  int16_t flag16;        /* 16: stored modulo 32767; 1 marks the driver   */
  int32_t value20;       /* 20: low byte copied into header byte 48       */
  const char *text3;     /* 24: stored only                               */
  int32_t value28;       /* 28: low byte copied into header byte 49       */
} DriverRecord;

typedef struct StationRecord {
  uint16_t line;         /*  0: line (route) number                       */
  uint16_t station;      /*  2: station number; low byte = attribute      */
  const char *name;      /*  4: station name                              */
  int32_t czbm04;        /*  8: station code, system "czbm04"             */
  int32_t czbm05;        /* 12 */
  int32_t czbm06;        /* 16 */
  int32_t czbm07;        /* 20 */
} StationRecord;

typedef struct JcTypeRecord {
  uint16_t code;         /*  0: locomotive type code                      */
  const char *text1;     /*  4: stored only                               */
  const char *name;      /*  8: type name                                 */
} JcTypeRecord;

typedef struct JwdRecord {
  uint16_t key;          /*  0 */
  const char *text;      /*  4 */
} JwdRecord;

typedef struct LinshiRecord {
  uint16_t line;         /*  0: line number, 99 = any line                */
  uint16_t direction;    /*  2: 0/1 must match, 2 and above match any     */
  uint16_t value4;       /*  4: used only in the end-marker test          */
  int16_t level;         /*  6 */
  int32_t start_pos;     /*  8 */
  int32_t end_pos;       /* 12 */
  int32_t start_date;    /* 16: month*100 + day (value mod 10000)         */
  int32_t start_time;    /* 20: seconds of the day                        */
  int32_t end_date;      /* 24 */
  int32_t end_time;      /* 28 */
  int16_t speed;         /* 32: restriction speed                         */
  uint16_t kind;         /* 34: 9 = continuous period, 1 = daily window   */
  int32_t reserved36;    /* 36: not read                                  */
} LinshiRecord;

typedef struct ZhuDuanRecord {
  int16_t type_code;     /*  0: locomotive type code                      */
  int16_t loco_number;   /*  2: locomotive number                         */
  uint8_t depot[6];      /*  4: depot data, passed through                */
} ZhuDuanRecord;

#if defined(__cplusplus) && (defined(_M_IX86) || defined(__i386__))
static_assert(sizeof(DriverRecord) == 32, "DriverRecord layout");
static_assert(sizeof(StationRecord) == 24, "StationRecord layout");
static_assert(sizeof(JcTypeRecord) == 12, "JcTypeRecord layout");
static_assert(sizeof(JwdRecord) == 8, "JwdRecord layout");
static_assert(sizeof(LinshiRecord) == 40, "LinshiRecord layout");
static_assert(sizeof(ZhuDuanRecord) == 10, "ZhuDuanRecord layout");
#elif !defined(__cplusplus) && (defined(_M_IX86) || defined(__i386__)) && \
    defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(DriverRecord) == 32, "DriverRecord layout");
_Static_assert(sizeof(StationRecord) == 24, "StationRecord layout");
_Static_assert(sizeof(JcTypeRecord) == 12, "JcTypeRecord layout");
_Static_assert(sizeof(JwdRecord) == 8, "JwdRecord layout");
_Static_assert(sizeof(LinshiRecord) == 40, "LinshiRecord layout");
_Static_assert(sizeof(ZhuDuanRecord) == 10, "ZhuDuanRecord layout");
#endif

/* ------------------------------------------------------------- exports */
/* Any number of threads may call any exports at once: the library runs the
 * calls one at a time, each with the result it gives when made alone.    */

/* File-type code of the file at path (RAILFMT_TYPE_*); 0 for no file. */
RAILFMT_API int32_t RAILFMT_CALL lJkFileType(const char *path);

/* Converts src to dst without masking. 0 handled, 1 not handled: no
 * converter here, or the conversion or dst failed (nothing written).    */
RAILFMT_API int32_t RAILFMT_CALL TransSingleFile(const char *src, const char *dst);

/* Converts src to dst with the masked codes left out. src and dst are the
 * host runtime's counted texts: a 32-bit reference count and a 32-bit
 * length precede the characters (null = empty text). Results:
 * 0 handled, -1 no source, -2 unknown type, -3 converter failed,
 * -4 destination not written, -5 ring file not loadable.               */
RAILFMT_API int32_t RAILFMT_CALL NewFmtFile(const char *src, const char *dst);

/* Processes one downloaded file through the folder workflow. Returns
 * month*1000 + day*10 for a dated, handled file, else 1.               */
RAILFMT_API int32_t RAILFMT_CALL TransFmtFile(const char *file_name, const char *source_dir,
                                              const char *work_dir, const char *archive_dir,
                                              uint8_t option);

/* Table setters: the second argument is the index of the LAST element
 * (count - 1); -1 hands over an empty array.                            */
RAILFMT_API void RAILFMT_CALL SetPBEvtCode(const uint16_t *codes, int32_t last);
RAILFMT_API void RAILFMT_CALL SetZhuDuan(const ZhuDuanRecord *records, int32_t last);
RAILFMT_API void RAILFMT_CALL getDriverInfo(const DriverRecord *records, int32_t last);
RAILFMT_API void RAILFMT_CALL getStationInfo(const StationRecord *records, int32_t last);
RAILFMT_API void RAILFMT_CALL getJcTypeInfo(const JcTypeRecord *records, int32_t last);
RAILFMT_API void RAILFMT_CALL getJwdInfo(const JwdRecord *records, int32_t last);
RAILFMT_API void RAILFMT_CALL getLinshiInfo(const LinshiRecord *records, int32_t last);

#ifdef __cplusplus
}
#endif

#endif /* RAILFMT_RAILFMT_H */
