#include "frmAbout.h"

#include "forms.h"
#include "main.h"
#include "platform/drives.h"
#include "platform/registry.h"
#include "platform/runtime.h"

#include <algorithm>
#include <cstdio>

namespace kl {

namespace {

// Where the system information tool is: its full path, or else the folder
// that holds MSINFO32.EXE.
const std::string kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kToolValue = "PATH";
const std::string kToolFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const std::string kToolFolderValue = "MSINFO";
const std::string kToolFile = "\\MSINFO32.EXE";

const std::string kUnavailable = "現時点ではｼｽﾃﾑ情報を使用できません";

constexpr std::uint32_t kValueBufferSize = 1024;

bool isAsciiHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

MainView *ownerView(Forms &forms)
{
    kl::main *list = forms.loadedMain();
    return list ? &list->view() : nullptr;
}

} // namespace

frmAbout::frmAbout(const Platform &platform, Forms &forms)
    : m_runtime(platform.runtime)
    , m_registry(platform.registry)
    , m_drives(platform.drives)
    // Owned by the list window: no taskbar button of its own.
    , m_view(platform.face.frmAbout(*this, ownerView(forms)))
{
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
    m_runtime.withoutRecovery([this] {
        m_view->form().setCaption("キックリストのﾊﾞｰｼﾞｮﾝ情報");
        m_view->lblVersion().setCaption("ﾊﾞｰｼﾞｮﾝ 1.02");
        m_view->lblTitle().setCaption("プログラムキックリスト");
    });
}

void frmAbout::cmdOK_Click()
{
    m_runtime.withoutRecovery([this] { Unload(); });
}

void frmAbout::cmdSysInfo_Click()
{
    m_runtime.withoutRecovery([this] { StartSysInfo(); });
}

void frmAbout::Unload()
{
    m_unloaded = true;
    m_view->form().Unload();
}

void frmAbout::StartSysInfo()
{
    try {
        std::string SysInfoPath;
        // The full path is trusted as it is; only the folder is checked.
        if (!GetKeyValue(reg::LocalMachine, kToolKey, kToolValue, SysInfoPath)) {
            if (!GetKeyValue(reg::LocalMachine, kToolFolderKey, kToolFolderValue, SysInfoPath)
                || m_drives.Dir(SysInfoPath + kToolFile).empty())
                throw RuntimeError(err::FileNotFound);
            SysInfoPath += kToolFile;
        }
        m_runtime.Shell(SysInfoPath, vbNormalFocus);
        return;
    } catch (const RuntimeError &) {
        // Whatever went wrong, the user hears the same thing.
    }
    m_runtime.MsgBox(kUnavailable, vbOKOnly);
}

bool frmAbout::GetKeyValue(std::uint32_t KeyRoot, const std::string &KeyName, const std::string &SubKeyRef,
                           std::string &KeyVal)
{
    bool result = false;
    std::uint32_t hKey = 0;
    if (m_registry.RegOpenKeyEx(KeyRoot, KeyName, 0, reg::Read, hKey) != reg::Success) {
        KeyVal.clear();
    } else {
        std::string buffer(kValueBufferSize, '\0');
        std::uint32_t KeyValSize = kValueBufferSize;
        std::uint32_t KeyValType = 0;
        if (m_registry.RegQueryValueEx(hKey, SubKeyRef, KeyValType, buffer, KeyValSize) != reg::Success) {
            KeyVal.clear();
        } else {
            std::string tmpVal = buffer.substr(0, std::min<std::size_t>(KeyValSize, buffer.size()));
            // An empty value has no last byte to look at; the caller hears of
            // it as a failure, and the key stays open.
            if (tmpVal.empty())
                throw RuntimeError(err::InvalidProcedureCall);
            // Text values normally end in one zero byte; anything else keeps
            // all of its bytes.
            if (tmpVal.back() == '\0')
                tmpVal.pop_back();
            switch (KeyValType) {
            case reg::TypeSz:
                KeyVal = m_registry.textOf(tmpVal);
                break;
            case reg::TypeDword:
                KeyVal = dwordText(KeyVal, tmpVal);
                break;
            default:
                break;
            }
            result = true;
        }
    }
    m_registry.RegCloseKey(hKey);
    return result;
}

// The bytes from the last to the first, each as hexadecimal digits without a
// leading zero, follow what KeyVal held. "&h" and those digits are then read
// as a hexadecimal number of at most 8 digits, a signed 32-bit value, and
// written in decimal; text that is no such number stays as it is. With the
// leading zeros lost, the number comes out right only when every byte below
// its highest non-zero one is 0x10 or more: 1 gives "1" and 0x1234 "4660",
// but 0x0102 gives "18".
std::string frmAbout::dwordText(const std::string &keyVal, const std::string &bytes)
{
    std::string digits = keyVal;
    for (auto it = bytes.crbegin(); it != bytes.crend(); ++it) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%X", unsigned(static_cast<unsigned char>(*it)));
        digits += hex;
    }
    const bool isNumber =
        !digits.empty() && digits.size() <= 8 && std::all_of(digits.cbegin(), digits.cend(), isAsciiHexDigit);
    if (!isNumber)
        return "&h" + digits;
    return std::to_string(std::int32_t(std::uint32_t(std::stoul(digits, nullptr, 16))));
}

} // namespace kl
