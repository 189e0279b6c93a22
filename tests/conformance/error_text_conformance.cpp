// The system's texts for error codes and the thread's last-error code, as Windows NT has
// them, checked against whatever implements the Win32 API under this program: hostwin on
// Linux, Windows or Wine with MinGW.
//
// FormatMessageA is called as the product calls it: from the system's message table, inserts
// ignored, the buffer allocated by the system, language 0x400. Windows gives US English texts
// ending in CR LF; the expected texts here are those of Windows. Wine's message table words
// most of them its own way ("File not found." for 2): those rows are Wine's known gap, never
// dropped, since the texts that users see are Windows'.
#include "harness.h"

#include <windows.h>

#include <string.h>

namespace {

const DWORD kSentinel = 0xdeadbeef;
const DWORD kFlags =
    FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
const DWORD kUserDefaultLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT); // 0x400
// SetupAPI's codes, declared by <setupapi.h> on Windows.
const DWORD kPostprocessingRequired = 0xE0000226; // ERROR_DI_POSTPROCESSING_REQUIRED
const DWORD kNoSuchDeviceInstance = 0xE000020B;   // ERROR_NO_SUCH_DEVINST
const char kWineWording[] = "Wine's message table has its own wording for this code";
const char kWineNoText[] = "Wine's message table has no text for this code";

// What Wine's message table holds for a code, against Windows'.
enum OnWine { kSame, kWorded, kMissing };

struct TextCase {
    int line;
    DWORD code;
    const char* text; // the Windows text, with its CR LF
    OnWine wine;
};

// Columns: line, error code, the text Windows gives for it, how Wine's compares. The codes
// are those that the product's calls can leave, and the ones it reports itself.
const TextCase kTexts[] = {
    {__LINE__, 0, "The operation completed successfully.\r\n", kWorded},
    {__LINE__, 1, "Incorrect function.\r\n", kWorded},
    {__LINE__, 2, "The system cannot find the file specified.\r\n", kWorded},
    {__LINE__, 3, "The system cannot find the path specified.\r\n", kWorded},
    {__LINE__, 4, "The system cannot open the file.\r\n", kWorded},
    {__LINE__, 5, "Access is denied.\r\n", kWorded},
    {__LINE__, 6, "The handle is invalid.\r\n", kWorded},
    {__LINE__, 8, "Not enough storage is available to process this command.\r\n", kWorded},
    {__LINE__, 13, "The data is invalid.\r\n", kWorded},
    {__LINE__, 14, "Not enough storage is available to complete this operation.\r\n", kWorded},
    {__LINE__, 21, "The device is not ready.\r\n", kWorded},
    {__LINE__, 32,
     "The process cannot access the file because it is being used by another process.\r\n",
     kWorded},
    {__LINE__, 50, "The request is not supported.\r\n", kWorded},
    {__LINE__, 80, "The file exists.\r\n", kWorded},
    {__LINE__, 87, "The parameter is incorrect.\r\n", kWorded},
    {__LINE__, 120, "This function is not supported on this system.\r\n", kWorded},
    {__LINE__, 122, "The data area passed to a system call is too small.\r\n", kWorded},
    {__LINE__, 123, "The filename, directory name, or volume label syntax is incorrect.\r\n",
     kWorded},
    {__LINE__, 145, "The directory is not empty.\r\n", kWorded},
    {__LINE__, 161, "The specified path is invalid.\r\n", kWorded},
    {__LINE__, 183, "Cannot create a file when that file already exists.\r\n", kWorded},
    // The insert stays as it is: inserts are ignored.
    {__LINE__, 193, "%1 is not a valid Win32 application.\r\n", kWorded},
    {__LINE__, 206, "The filename or extension is too long.\r\n", kWorded},
    {__LINE__, 234, "More data is available.\r\n", kWorded},
    {__LINE__, 258, "The wait operation timed out.\r\n", kMissing},
    {__LINE__, 259, "No more data is available.\r\n", kWorded},
    {__LINE__, 267, "The directory name is invalid.\r\n", kWorded},
    {__LINE__, 317,
     "The system cannot find message text for message number 0x%1 in the message file for "
     "%2.\r\n",
     kWorded},
    {__LINE__, 998, "Invalid access to memory location.\r\n", kWorded},
    {__LINE__, 1009, "The configuration registry database is corrupt.\r\n", kWorded},
    {__LINE__, 1010, "The configuration registry key is invalid.\r\n", kWorded},
    {__LINE__, 1011, "The configuration registry key could not be opened.\r\n", kWorded},
    {__LINE__, 1012, "The configuration registry key could not be read.\r\n", kWorded},
    {__LINE__, 1013, "The configuration registry key could not be written.\r\n", kWorded},
    {__LINE__, 1018,
     "Illegal operation attempted on a registry key that has been marked for deletion.\r\n",
     kWorded},
    {__LINE__, 1021, "Cannot create a stable subkey under a volatile parent key.\r\n", kWorded},
    {__LINE__, 1400, "Invalid window handle.\r\n", kSame},
    {__LINE__, 1407, "Cannot find window class.\r\n", kWorded},
    {__LINE__, 1408, "Invalid window; it belongs to other thread.\r\n", kWorded},
    {__LINE__, 1410, "Class already exists.\r\n", kSame},
    {__LINE__, 1421, "Control ID not found.\r\n", kSame},
    {__LINE__, 1460, "This operation returned because the timeout period expired.\r\n", kWorded},
    {__LINE__, 1812, "The specified image file did not contain a resource section.\r\n", kWorded},
    {__LINE__, 1813, "The specified resource type cannot be found in the image file.\r\n", kWorded},
    {__LINE__, 1814, "The specified resource name cannot be found in the image file.\r\n", kWorded},
    {__LINE__, 1815, "The specified resource language ID cannot be found in the image file.\r\n",
     kWorded},
};

// The system's text for each code: allocated for the caller, its length returned without the
// terminator, freed with LocalFree (which answers null).
void SystemTexts() {
    for (const TextCase& c : kTexts) {
        bool wine = conformance::RunningUnderWine();
        LPSTR text = reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(kSentinel));
        DWORD length = FormatMessageA(kFlags, nullptr, c.code, kUserDefaultLanguage,
                                      reinterpret_cast<LPSTR>(&text), 0, nullptr);
        conformance::BeginKnownGap(wine && c.wine == kMissing, kWineNoText);
        bool found = CHECK_AT(c.line, length != 0 && text != nullptr);
        conformance::EndKnownGap();
        if (!found)
            continue;
        conformance::BeginKnownGap(wine && c.wine == kWorded, kWineWording);
        CHECK_STR_AT(c.line, text, c.text);
        CHECK_EQ_AT(c.line, length, strlen(c.text));
        conformance::EndKnownGap();
        CHECK_EQ_AT(c.line, length, strlen(text));
        CHECK_AT(c.line, LocalFree(text) == nullptr);
    }
}

// Columns: line, a code that has no text in the system's message table.
const struct {
    int line;
    DWORD code;
} kCodesWithoutText[] = {
    {__LINE__, 12345678},                // no such error
    {__LINE__, kPostprocessingRequired}, // SetupAPI's texts are not the system's
    {__LINE__, kNoSuchDeviceInstance},
};

// A code without text fails with ERROR_MR_MID_NOT_FOUND and hands back a null buffer.
void CodesWithoutText() {
    for (const auto& c : kCodesWithoutText) {
        LPSTR text = reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(kSentinel));
        SetLastError(kSentinel);
        CHECK_EQ_AT(c.line,
                    FormatMessageA(kFlags, nullptr, c.code, kUserDefaultLanguage,
                                   reinterpret_cast<LPSTR>(&text), 0, nullptr),
                    0);
        CHECK_EQ_AT(c.line, GetLastError(), ERROR_MR_MID_NOT_FOUND);
        CHECK_AT(c.line, text == nullptr);
    }
}

// Without FORMAT_MESSAGE_ALLOCATE_BUFFER the text goes into the caller's buffer, which must
// hold it and its terminator; a smaller one fails with ERROR_INSUFFICIENT_BUFFER.
void TextIntoCallersBuffer() {
    const char expected[] = "Access is denied.\r\n";
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    char buffer[64];
    memset(buffer, 'x', sizeof buffer);
    DWORD length = FormatMessageA(flags, nullptr, ERROR_ACCESS_DENIED, kUserDefaultLanguage, buffer,
                                  sizeof buffer, nullptr);
    CHECK(length != 0);
    CHECK_EQ(length, strlen(buffer));
    conformance::BeginKnownGap(conformance::RunningUnderWine(), kWineWording);
    CHECK_STR(buffer, expected);
    conformance::EndKnownGap();

    // Room for the text just given (whatever its wording) but not for its terminator.
    SetLastError(kSentinel);
    CHECK_EQ(FormatMessageA(flags, nullptr, ERROR_ACCESS_DENIED, kUserDefaultLanguage, buffer,
                            length, nullptr),
             0);
    CHECK_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

// The last-error code is the thread's: SetLastError stores any 32-bit value, GetLastError
// gives it back unchanged, and reading it does not clear it.
void LastErrorRoundTrip() {
    const DWORD codes[] = {0,
                           ERROR_FILE_NOT_FOUND,
                           ERROR_ACCESS_DENIED,
                           ERROR_MR_MID_NOT_FOUND,
                           kPostprocessingRequired,
                           kSentinel,
                           0xFFFFFFFF};
    for (DWORD code : codes) {
        SetLastError(code);
        CHECK_EQ(GetLastError(), code);
        CHECK_EQ(GetLastError(), code);
    }
    SetLastError(0);
    CHECK_EQ(GetLastError(), 0);
}

bool SetUp() {
    return true;
}

void TearDown() {}

const conformance::Case kCases[] = {
    {"SystemTexts", SystemTexts},
    {"CodesWithoutText", CodesWithoutText},
    {"TextIntoCallersBuffer", TextIntoCallersBuffer},
    {"LastErrorRoundTrip", LastErrorRoundTrip},
};

} // namespace

int main() {
    return conformance::RunCases(kCases, sizeof kCases / sizeof kCases[0], SetUp, TearDown);
}
