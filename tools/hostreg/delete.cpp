// "delete": removes the whole key tree, one value (/v, /ve) or every value of the key (/va).
//
// Without /f reg.exe asks first; so does this program, reading the answer from standard input:
// anything but yes, including no input at all, cancels with status 1.
#include "reg.h"

namespace {

struct DeleteRequest {
    KeyName key;
    const char* value_name;
    bool default_value;
    bool all_values;
    bool force;
};

bool Confirmed(const DeleteRequest& request, const std::string& question) {
    return request.force || AskYesNo(question);
}

int DeleteAllValues(HKEY key) {
    Value value;
    while (ReadValueAt(key, 0, &value) == ERROR_SUCCESS) {
        LONG rc = RegDeleteValueA(key, value.name.c_str());
        if (rc != ERROR_SUCCESS)
            return ReportRegistryError(rc);
    }
    return ReportSuccess();
}

int DeleteValues(const DeleteRequest& request) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(request.key.root, request.key.path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return ReportRegistryError(rc);
    int status = 0;
    if (request.all_values) {
        if (Confirmed(request, "Delete all values under the registry key " + request.key.full +
                                   " (Yes/No)? "))
            status = DeleteAllValues(key);
        else
            status = ReportError("The operation was cancelled by the user.");
    } else {
        const char* name = request.default_value ? "" : request.value_name;
        Value existing;
        if (ReadValue(key, name, &existing) != ERROR_SUCCESS)
            status = ReportNotFound();
        else if (!Confirmed(request, std::string("Delete the registry value ") +
                                         (name[0] != '\0' ? name : "(Default)") + " (Yes/No)? "))
            status = ReportError("The operation was cancelled by the user.");
        else if ((rc = RegDeleteValueA(key, name)) != ERROR_SUCCESS)
            status = ReportRegistryError(rc);
        else
            status = ReportSuccess();
    }
    RegCloseKey(key);
    return status;
}

int DeleteKey(const DeleteRequest& request) {
    if (request.key.path.empty())
        return ReportError("Access is denied.");
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(request.key.root, request.key.path.c_str(), 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS)
        return ReportRegistryError(rc);
    RegCloseKey(key);
    if (!Confirmed(request,
                   "Permanently delete the registry key " + request.key.full + " (Yes/No)? "))
        return ReportError("The operation was cancelled by the user.");
    rc = DeleteKeyTree(request.key.root, request.key.path.c_str());
    if (rc != ERROR_SUCCESS)
        return ReportRegistryError(rc);
    return ReportSuccess();
}

} // namespace

int RunDelete(int argc, char** argv) {
    if (argc < 1)
        return ReportInvalidSyntax("DELETE");
    DeleteRequest request{{nullptr, "", ""}, nullptr, false, false, false};
    for (int i = 1; i < argc; ++i) {
        if (IsOption(argv[i], "v") && i + 1 < argc && request.value_name == nullptr)
            request.value_name = argv[++i];
        else if (IsOption(argv[i], "ve") && !request.default_value)
            request.default_value = true;
        else if (IsOption(argv[i], "va") && !request.all_values)
            request.all_values = true;
        else if (IsOption(argv[i], "f") && !request.force)
            request.force = true;
        else
            return ReportInvalidSyntax("DELETE");
    }
    int chosen = (request.value_name != nullptr) + request.default_value + request.all_values;
    if (chosen > 1)
        return ReportInvalidSyntax("DELETE");
    if (!ParseKeyName(argv[0], &request.key))
        return ReportError("Invalid key name.\r\nType \"REG DELETE /?\" for usage.");
    return chosen == 0 ? DeleteKey(request) : DeleteValues(request);
}
