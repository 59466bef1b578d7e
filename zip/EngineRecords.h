// SPDX-License-Identifier: MIT
/* The whole interface between the archive component and its two engine
 * modules, ZipDll.so (adding) and UnZDll.so (extracting): the parameter records
 * the component fills, the arrays of file patterns, the callback record the engines
 * pass back, and the entry points. Plain C, so that either side may be written
 * in any language.
 *
 * Every record is handed over zero-filled. Switches hold -1 for on and 0 for
 * off. Field order and values are those of the original 32-bit records; on a
 * 64-bit build the address fields are pointer-wide, so the offsets noted in the
 * comments (and pinned by the asserts at the end) hold for 32-bit builds only.
 * Texts are NUL-terminated, in the ANSI code page (UTF-8 here) unless noted.
 */
#ifndef VORLAN_ENGINE_RECORDS_H
#define VORLAN_ENGINE_RECORDS_H

#include <stddef.h>
#include <stdint.h>

/* The records keep the names of the interface they implement. */
/* NOLINTBEGIN(readability-identifier-naming) */
#ifdef __cplusplus
extern "C" {
#endif

/* Record layout guards: an engine refuses a record whose Version or Trailer
 * differs, so a component and an engine built from different layouts never
 * misread each other. */
#define ENGINE_RECORD_VERSION 160
#define ENGINE_RECORD_TRAILER 7

/* Callback action codes: what the engine reports or asks. */
enum EngineActionCode {
    ACTION_NONE = 0,
    ACTION_BEGIN_FILE = 1, /* Text = file name, Value = its size */
    ACTION_PROGRESS = 2,   /* Value = bytes done in this step */
    ACTION_END_BATCH = 3,
    ACTION_MESSAGE = 4,     /* never shown; the component keeps the last; Value = errno behind it, or 0 */
    ACTION_BATCH_COUNT = 5, /* Value = number of files */
    ACTION_BATCH_BYTES = 6, /* Value = total bytes */
    ACTION_PASSWORD = 8,    /* Text = file name, Value = further tries; answer in Text, Status */
    ACTION_CRC_ERROR = 9,   /* Text = file name; answer in Status (1 extract anyway, 0 no) */
    ACTION_OVERWRITE = 10,  /* Text = file name, Status bit 0 = existing file older; answer in Value */
    ACTION_SKIPPED = 11     /* Text = name of the entry or file that was skipped */
};

#define CALLBACK_TEXT_SIZE 512

/* What the engines pass to the callback, by address, on every call. */
typedef struct CallbackRecord {
    int32_t EngineHandle;          /*  0: the engine's own; not read by the callback */
    void* Caller;                  /*  4: Caller of the parameter record */
    int32_t EngineVersion;         /*  8: the engine's own */
    int32_t Reserved12;            /* 12: the engine's own */
    uint32_t ActionCode;           /* 16: an EngineActionCode */
    int32_t Status;                /* 20: in and out, per action code */
    int32_t Value;                 /* 24: in and out, per action code */
    char Text[CALLBACK_TEXT_SIZE]; /* 28: file name in; password out (code 8) */
} CallbackRecord;                  /* 540 bytes */

/* The callback: -1 asks the engine to stop and return, 0 to go on. */
typedef int32_t (*EngineCallbackProc)(CallbackRecord* record);

/* One line of FileSpecs for the extract engine: an entry name or a wildcard
 * pattern, matched against stored names ignoring letter case, "/" and "\" alike. */
typedef struct TUnzipFileSpec {
    const char* FileSpec; /* 0 */
    int32_t Reserved[17]; /* 4..71 */
} TUnzipFileSpec;         /* 72 bytes */

typedef struct TUnzipParams {
    int32_t Handle;              /*   0: 0 */
    void* Caller;                /*   4: the component; repeated in every callback record */
    int32_t Version;             /*   8: ENGINE_RECORD_VERSION */
    EngineCallbackProc Callback; /*  12 */
    int32_t Reserved16;          /*  16: 0 */
    int32_t Reserved20;          /*  20: 0 */
    const char* Password;        /*  24: NULL when there is none */
    int32_t OverwriteAll;        /*  28: switch: replace existing files without asking */
    int32_t Reserved32;          /*  32: 0 */
    int32_t Reserved36;          /*  36: 0 */
    int32_t Reserved40;          /*  40: -1 */
    int32_t Reserved44;          /*  44: 0 */
    int32_t Update;              /*  48: switch: replace only older files (the callback answers by age) */
    int32_t Freshen;             /*  52: switch: extract only files that exist already */
    int32_t DirectoryNames;      /*  56: switch: recreate the stored folder names */
    int32_t AskOverwrite;        /*  60: switch: ask the callback about each existing file */
    int32_t FileSpecCount;       /*  64 */
    const char* ZipFileName;     /*  68 */
    TUnzipFileSpec* FileSpecs;   /*  72: FileSpecCount elements; NULL when 0 */
    int32_t Reserved76[7];       /*  76..103: 0 */
    int32_t Reserved104;         /* 104: 3 */
    int32_t Reserved108[9];      /* 108..143: 0 */
    int32_t Trailer;             /* 144: ENGINE_RECORD_TRAILER */
} TUnzipParams;                  /* 148 bytes */

/* One line of FileSpecs for the add engine: a file name or wildcard pattern,
 * resolved against the current directory; "/" and "\" alike. */
typedef struct TZipFileSpec {
    const char* FileSpec; /* 0 */
    int32_t Reserved[25]; /* 4..103 */
} TZipFileSpec;           /* 104 bytes */

typedef struct TZipParams {
    int32_t Handle;              /*   0: 0 */
    void* Caller;                /*   4: as in TUnzipParams */
    int32_t Version;             /*   8: ENGINE_RECORD_VERSION */
    EngineCallbackProc Callback; /*  12 */
    int32_t Reserved16;          /*  16: 0 */
    const char* Password;        /*  20: NULL when there is none */
    int32_t Reserved24;          /*  24: 0 */
    int32_t Encrypt;             /*  28: switch: encrypt added files with Password */
    int32_t OptionFlag6;         /*  32: switch: AddOptions flag 6; no effect in these engines */
    int32_t Reserved36[2];       /*  36..43: 0 */
    int32_t JunkDirNames;        /*  44: switch: store bare file names, without their folders */
    int32_t Reserved48[2];       /*  48..55: 0 */
    int32_t Reserved56;          /*  56: -1 */
    int32_t Level;               /*  60: deflate level, 9 */
    int32_t Reserved64[2];       /*  64..71: 0 */
    int32_t NoSubfolderFlags;    /*  72: switch: neither flag 2 nor 3; no effect in these engines */
    uint16_t Recurse;            /*  76: 0xFFFF: wildcard patterns descend into subfolders */
    uint16_t Reserved78;         /*  78: 0 */
    int32_t AddFiles;            /*  80: switch, -1: the operation adds */
    int32_t OptionFlag7;         /*  84: switch: AddOptions flag 7; no effect in these engines */
    int32_t Reserved88;          /*  88: 0 */
    int32_t DeleteEntries;       /*  92: switch: delete the matching entries instead of adding */
    int32_t OptionFlag1;         /*  96: switch: AddOptions flag 1; no effect in these engines */
    int32_t OptionFlag0;         /* 100: switch: flag 0 without flag 1; no effect in these engines */
    int32_t Reserved104[4];      /* 104..119: 0 */
    int32_t FileSpecCount;       /* 120 */
    const char* ZipFileName;     /* 124 */
    const char* TempDir;         /* 128: "" when there is none */
    const char* ArchiveComment;  /* 132: OEM code page; NULL when empty */
    int32_t Reserved136;         /* 136: 0 */
    TZipFileSpec* FileSpecs;     /* 140: FileSpecCount elements */
    int32_t Reserved144[17];     /* 144..211: 0 */
    int32_t Trailer;             /* 212: ENGINE_RECORD_TRAILER */
} TZipParams;                    /* 216 bytes */

/* Entry points, looked up by these names. Each Exec runs the whole operation
 * before it returns and gives the number of files processed (0 when nothing
 * was done). The version entries give the engine's version times 100. */
typedef int32_t (*ZipDllExecProc)(TZipParams* params);
typedef int32_t (*GetZipDllVersionProc)(void);
typedef int32_t (*UnzDllExecProc)(TUnzipParams* params);
typedef int32_t (*GetUnzDllVersionProc)(void);

#define ZIPDLL_FILE_NAME "ZipDll.so"
#define UNZDLL_FILE_NAME "UnZDll.so"

#ifdef __cplusplus
} /* extern "C" */
#endif
/* NOLINTEND(readability-identifier-naming) */

/* The designed 32-bit offsets. */
#if UINTPTR_MAX == 0xFFFFFFFFu && defined(__cplusplus)
static_assert(sizeof(CallbackRecord) == 540 && offsetof(CallbackRecord, Text) == 28, "CallbackRecord");
static_assert(sizeof(TUnzipFileSpec) == 72 && sizeof(TZipFileSpec) == 104, "file pattern records");
static_assert(sizeof(TUnzipParams) == 148 && offsetof(TUnzipParams, FileSpecs) == 72 &&
                  offsetof(TUnzipParams, Reserved104) == 104 && offsetof(TUnzipParams, Trailer) == 144,
              "TUnzipParams");
static_assert(sizeof(TZipParams) == 216 && offsetof(TZipParams, Recurse) == 76 &&
                  offsetof(TZipParams, AddFiles) == 80 && offsetof(TZipParams, FileSpecCount) == 120 &&
                  offsetof(TZipParams, FileSpecs) == 140 && offsetof(TZipParams, Trailer) == 212,
              "TZipParams");
#endif

#endif /* VORLAN_ENGINE_RECORDS_H */
