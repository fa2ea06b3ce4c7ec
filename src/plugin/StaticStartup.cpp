// The library's static start-up, in the order later steps rely on: the trace configuration first,
// then the empty language table, then the string table and the initial language, and last the
// application object. They stand in one translation unit because only there does C++ fix the
// order of initialisation.
#include "lang/LanguageTable.h"
#include "log/log.h"
#include "plugin/KeyholmPluginApp.h"

static const bool s_bLogConfigured = (InitLogConfig(), true);

LanguageMap LanguageTable;

static const bool s_bLanguagesLoaded = (InitLanguageTable(), true);

CKeyholmPluginApp theApp;
