// keyholm-host: the reference host. Lays out a host folder (itself, the plug-in, the please-wait
// animation), runs there, signs a user in to the permission page through the plug-in's tab and
// reports what happened.
#include "SignOnDemo.h"
#include "Utf8Text.h"

#include <owner/unique_handle.h>

#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

struct HostOptions
{
    DemoOptions demo;
    CStringW strHostDir;     // where to lay out the host folder; default: demo\ beside this program
    bool bInPlace = false;   // already running in a laid-out folder
    bool bHelp = false;
};

// The arguments as the user typed them: decoded by the locale's character set (the ANSI code page
// on Windows, UTF-8 under a UTF-8 locale), the way the C run-time reads its command line.
std::vector<CStringW> DecodeArguments(int argc, char** argv)
{
    std::string strPrevious = setlocale(LC_CTYPE, NULL);
    setlocale(LC_CTYPE, "");
    std::vector<CStringW> args;
    for (int i = 1; i < argc; ++i)
    {
        CStringW strArg;
        size_t cch = mbstowcs(NULL, argv[i], 0);
        if (cch == size_t(-1))
        {
            strArg = CStringW(argv[i]);   // not in the locale's character set: the ANSI code page
            args.push_back(strArg);
            continue;
        }
        std::vector<wchar_t> wide(cch + 1);
        mbstowcs(wide.data(), argv[i], cch + 1);
        for (size_t k = 0; k < cch; ++k)
        {
            unsigned long ch = static_cast<unsigned long>(wide[k]);
            if (sizeof(wchar_t) > 2 && ch > 0xFFFF)   // a 32-bit wchar_t: UTF-16 takes two units
            {
                ch -= 0x10000;
                strArg += WCHAR(0xD800 + (ch >> 10));
                strArg += WCHAR(0xDC00 + (ch & 0x3FF));
            }
            else
                strArg += WCHAR(ch);
        }
        args.push_back(strArg);
    }
    setlocale(LC_CTYPE, strPrevious.c_str());
    return args;
}

bool OptionValue(const CStringW& strArg, LPCWSTR pszName, CStringW& strValue)
{
    int cch = lstrlenW(pszName);
    if (strArg.GetLength() <= cch || strArg.Left(cch) != pszName || strArg[cch] != TEXT('='))
        return false;
    strValue = strArg.Mid(cch + 1);
    return true;
}

// An address the host can relay to: http:// or https:// and a server name.
bool IsRelayableAddress(const CStringA& strURL)
{
    CStringA strLower = strURL;
    strLower.MakeLower();
    int nStart = strLower.Find("://");
    if (nStart < 0 || (strLower.Left(nStart) != "http" && strLower.Left(nStart) != "https"))
        return false;
    CStringA strRest = strURL.Mid(nStart + 3);
    return !strRest.IsEmpty() && strRest[0] != '/' && strRest[0] != '?' && strRest[0] != '#';
}

bool ParseOptions(const std::vector<CStringW>& args, HostOptions& options)
{
    for (const CStringW& strArg : args)
    {
        CStringW strValue;
        if (OptionValue(strArg, TEXT("--lang"), strValue))
            options.demo.dwLangId = strtoul(Utf8(strValue), NULL, 0);
        else if (OptionValue(strArg, TEXT("--switch-lang"), strValue))
            options.demo.dwSwitchLangId = strtoul(Utf8(strValue), NULL, 0);
        else if (OptionValue(strArg, TEXT("--trace-level"), strValue))
            options.demo.nTraceLevel = atoi(Utf8(strValue));
        else if (OptionValue(strArg, TEXT("--user"), strValue))
            options.demo.strUserName = strValue;
        else if (OptionValue(strArg, TEXT("--url"), strValue))
        {
            options.demo.strURL = Utf8(strValue);
            if (!options.demo.strURL.IsEmpty() && !IsRelayableAddress(options.demo.strURL))
            {
                fprintf(stderr, "keyholm-host: --url must be an http:// or https:// address with a server name: %s\n",
                        options.demo.strURL.GetString());
                return false;
            }
        }
        else if (OptionValue(strArg, TEXT("--host-dir"), strValue))
            options.strHostDir = strValue;
        else if (strArg == TEXT("--in-place"))
            options.bInPlace = true;
        else if (strArg == TEXT("--help"))
            options.bHelp = true;
        else
        {
            fprintf(stderr, "keyholm-host: unknown option %s\n", Utf8(strArg).GetString());
            return false;
        }
    }
    return true;
}

// One argument for a command line, quoted so that the C run-time's splitting gives it back
// unchanged: quotes escaped, and backslashes doubled where a quote follows them.
CStringW QuoteArgument(const CStringW& strArg)
{
    CStringW strQuoted(TEXT("\""));
    int nBackslashes = 0;
    for (int i = 0; i < strArg.GetLength(); ++i)
    {
        WCHAR ch = strArg[i];
        if (ch == TEXT('\\'))
        {
            ++nBackslashes;
            continue;
        }
        for (int k = 0; k < (ch == TEXT('"') ? 2 * nBackslashes + 1 : nBackslashes); ++k)
            strQuoted += TEXT('\\');
        nBackslashes = 0;
        strQuoted += ch;
    }
    for (int k = 0; k < 2 * nBackslashes; ++k)
        strQuoted += TEXT('\\');
    strQuoted += TEXT('"');
    return strQuoted;
}

// The copy in the host folder ends within its own bounds; this one is for a copy that does not.
const DWORD kCopyBoundMs = 300000;

// The copy in the host folder does the work with the same options; its output is ours and its exit
// code too.
int RunInHostFolder(const CStringW& strDir, const std::vector<CStringW>& args)
{
    WCHAR szSelf[MAX_PATH];
    DWORD cch = GetModuleFileNameW(NULL, szSelf, MAX_PATH);
    CStringW strSelf(szSelf, int(cch));
    CStringW strCommand = QuoteArgument(strDir + TEXT("\\") + strSelf.Mid(strSelf.ReverseFind(TEXT('\\')) + 1)) +
                          TEXT(" --in-place");
    for (const CStringW& strArg : args)
        strCommand += TEXT(" ") + QuoteArgument(strArg);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    fflush(stdout);
    if (!CreateProcessW(NULL, strCommand.GetBuffer(), NULL, NULL, FALSE, 0, NULL, strDir, &si, &pi))
    {
        fprintf(stderr, "keyholm-host: cannot start the host in %s (error %u)\n", Utf8(strDir).GetString(),
                GetLastError());
        return HOST_EXIT_SETUP;
    }
    strCommand.ReleaseBuffer();
    owner::unique_kernel_handle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process.get(), kCopyBoundMs) != WAIT_OBJECT_0)
    {
        TerminateProcess(process.get(), HOST_EXIT_SIGN_ON_FAILED);
        WaitForSingleObject(process.get(), 10000);
        fprintf(stderr, "keyholm-host: the host in %s did not end within %u seconds and was stopped\n",
                Utf8(strDir).GetString(), unsigned(kCopyBoundMs / 1000));
        return HOST_EXIT_SIGN_ON_FAILED;
    }
    DWORD dwExit = HOST_EXIT_SETUP;
    GetExitCodeProcess(process.get(), &dwExit);
    return int(dwExit);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<CStringW> args = DecodeArguments(argc, argv);
    HostOptions options;
    if (!ParseOptions(args, options) || options.bHelp)
    {
        fprintf(stderr, "usage: keyholm-host [--lang=ID] [--switch-lang=ID] [--user=NAME] [--trace-level=N]\n"
                        "                    [--url=ADDRESS] [--host-dir=PATH]\n");
        return options.bHelp ? HOST_EXIT_SIGNED_ON : HOST_EXIT_USAGE;
    }
    if (options.bInPlace)
        return RunSignOnDemo(options.demo);

    CStringW strDir = options.strHostDir.IsEmpty() ? PluginLibrary::ProgramDirectory() + TEXT("demo")
                                                   : options.strHostDir;
    if (!LayOutHostFolder(strDir))
        return HOST_EXIT_SETUP;
    return RunInHostFolder(strDir, args);
}
