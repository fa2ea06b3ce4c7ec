// Loads the plug-in (or the variant named by the second argument) from this program's folder and
// writes, as UTF-8 into the file named by the first argument, the module name in the language the
// library chose at load.
#include "PluginLibrary.h"

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
        return 2;
    PluginLibrary library;
    if (!library.Load(argc == 3 ? CStringW(argv[2]) : CStringW(TEXT("KeyholmPlugin.dll"))))
        return 3;
    LPCWSTR pszName = library.Module()->GetModuleName();
    int cb = WideCharToMultiByte(CP_UTF8, 0, pszName, -1, NULL, 0, NULL, NULL);
    CStringA strName;
    WideCharToMultiByte(CP_UTF8, 0, pszName, -1, strName.GetBuffer(cb), cb, NULL, NULL);
    strName.ReleaseBuffer();
    HANDLE hFile = CreateFileA(argv[1], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return 4;
    DWORD cbWritten = 0;
    BOOL bWritten = WriteFile(hFile, static_cast<const char*>(strName), strName.GetLength(), &cbWritten, NULL);
    CloseHandle(hFile);
    return bWritten ? 0 : 5;
}
