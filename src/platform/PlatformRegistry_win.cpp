#include "platform/PlatformRegistry.h"

#include "common/RegistryLayout.h"

#include <windows.h>

#include <vector>

namespace tesk {

namespace {

// Buffer limits of the program's registry calls: a read takes at most 1025
// bytes of value data (511 characters and the terminator), a message text
// at most 1025 characters.
constexpr DWORD ReadBufferBytes = 1025;
constexpr DWORD MessageBufferChars = 1025;

HKEY RootKey(RegistryRoot root)
{
    return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

const wchar_t* Wide(const QString& text)
{
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

QString SystemMessage(DWORD code)
{
    wchar_t buffer[MessageBufferChars] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, MessageBufferChars,
                                        nullptr);
    return SystemMessageText(QString::fromWCharArray(buffer, int(length)), code);
}

// The installations this program replaces were 32-bit programs, whose
// machine settings Windows keeps in the 32-bit view of HKLM\SOFTWARE. A
// 64-bit build reads and writes that same view, so every existing
// installation's central settings stay in force. (HKCU is not split.)
REGSAM ViewFor(RegistryRoot root)
{
    return root == RegistryRoot::LocalMachine ? KEY_WOW64_32KEY : 0;
}

class WinRegistryStore : public RegistryStore {
public:
    QString RegReadString(RegistryRoot root, const QString& subKey, const QString& valueName) override
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(RootKey(root), Wide(subKey), 0, KEY_READ | ViewFor(root), &key) != ERROR_SUCCESS)
            return {};
        // One byte more than a whole number of characters, as the program
        // always read: a value that fills it is too long and counts as absent.
        std::vector<BYTE> data(ReadBufferBytes + 1, 0);
        DWORD size = ReadBufferBytes;
        const LONG rc = RegQueryValueExW(key, valueName.isEmpty() ? nullptr : Wide(valueName), nullptr, nullptr,
                                         data.data(), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return {};
        // Up to the first zero character; a value stored without its
        // terminator ends where its data ends.
        const auto* text = reinterpret_cast<const char16_t*>(data.data());
        qsizetype length = 0;
        const qsizetype maxLength = qsizetype(size / sizeof(char16_t));
        while (length < maxLength && text[length] != 0)
            ++length;
        return QString(reinterpret_cast<const QChar*>(text), length);
    }

    bool RegWriteString(RegistryRoot root, const QString& subKey, const QString& valueName,
                        const QString& value) override
    {
        SECURITY_DESCRIPTOR descriptor{};
        SECURITY_ATTRIBUTES attributes{};
        SECURITY_ATTRIBUTES* security = nullptr;
        if (root == RegistryRoot::LocalMachine) {
            // MachineKeySecuritySddl(): a present but null access list.
            if (!InitializeSecurityDescriptor(&descriptor, MachineKeySecurityRevision))
                throw RegistryError(SecurityDescriptorInitError(GetLastError()));
            if (!SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE))
                throw RegistryError(SecurityDescriptorDaclError(GetLastError()));
            attributes.nLength = sizeof attributes;
            attributes.lpSecurityDescriptor = &descriptor;
            attributes.bInheritHandle = TRUE;
            security = &attributes;
        }

        HKEY key = nullptr;
        LONG rc = Create(root, subKey, security, &key);
        if (rc != ERROR_SUCCESS) {
            LastRegistryError = SystemMessage(DWORD(rc));
            // An existing key may still take the value without a new descriptor.
            rc = Create(root, subKey, nullptr, &key);
        }
        if (rc == ERROR_SUCCESS && key) {
            const DWORD bytes = DWORD((value.size() + 1) * sizeof(wchar_t));
            rc = RegSetValueExW(key, valueName.isEmpty() ? nullptr : Wide(valueName), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(Wide(value)), bytes);
            RegCloseKey(key);
        }
        return rc == ERROR_SUCCESS;
    }

private:
    static LONG Create(RegistryRoot root, const QString& subKey, SECURITY_ATTRIBUTES* security, HKEY* key)
    {
        DWORD disposition = 0;
        wchar_t emptyClass[] = L"";
        return RegCreateKeyExW(RootKey(root), Wide(subKey), 0, emptyClass, REG_OPTION_NON_VOLATILE,
                               KEY_READ | KEY_WRITE | ViewFor(root), security, key, &disposition);
    }
};

} // namespace

std::unique_ptr<RegistryStore> CreatePlatformRegistryStore()
{
    return std::make_unique<WinRegistryStore>();
}

} // namespace tesk
