// What the table test module lets its tests observe: its test plug-ins' lives and the library-wide
// values its module writes.
#pragma once

#include "plugin/HostContract.h"

struct TableTestProbe
{
    int nCreated;               // test plug-ins constructed
    int nDestroyed;             // test plug-ins destroyed
    int nInitCalls;             // Init calls on test plug-ins
    IPluginHost* pLastInitHost; // the root the last Init received
    DWORD dwLastLanguage;       // the last language a test plug-in was told of
    int nLanguageOrder;         // rows told of a language change, as a decimal string of row numbers
    const int* pMinLevel;       // the trace log's minimum level
    const DWORD* pCurrentLangId;
};

typedef TableTestProbe* (*PFN_GET_TABLE_TEST_PROBE)();
#define GET_TABLE_TEST_PROBE_EXPORT "GetTableTestProbe"

// Rows of the test module's table.
enum
{
    TABLE_ROW_PLUGIN,           // creates a test plug-in
    TABLE_ROW_SECOND_PLUGIN,    // creates a test plug-in too
    TABLE_ROW_OUT_OF_MEMORY,    // the factory raises the class library's memory exception
    TABLE_ROW_NO_PLUGIN,        // the factory answers NULL
    TABLE_ROWS
};
