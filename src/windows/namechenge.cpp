#include "namechenge.h"

#include "forms.h"
#include "main.h"
#include "platform/numbers.h"
#include "platform/runtime.h"
#include "store/appstore.h"

namespace kl {

namechenge::namechenge(const Platform &platform, Forms &forms)
    : m_runtime(platform.runtime)
    , m_store(platform.store)
    , m_forms(forms)
    , m_view(platform.face.namechenge(*this))
{
}

namechenge::~namechenge() = default;

void namechenge::Unload()
{
    m_unloaded = true;
    m_view->form().Unload();
}

void namechenge::OpenForRow(std::int16_t row)
{
    m_runtime.withoutRecovery([this, row] {
        const std::int16_t position = add16(row, 1);
        SettingsStore &settings = m_runtime.settings();
        m_view->whatname().setCaption(settings.GetSetting(AppStore::application(), "setapp", str(position), "None"));
        m_view->Text1().setText(settings.GetSetting(AppStore::application(), "appnames", str(position), ""));
        m_view->form().Show();
    });
}

void namechenge::chenge_Click()
{
    m_runtime.withoutRecovery([this] {
        const std::string text = m_view->Text1().Text();
        if (text.empty()) {
            m_runtime.MsgBox("名前を入力して下さい。", vbOKOnly, "名前の変更");
            return;
        }
        kl::main &window = m_forms.main();
        ListControl &list = window.List1();
        m_position = add16(list.ListIndex(), 1);
        if (!window.rowShowsStore(std::int16_t(m_position - 1)))
            return;
        // The entry may have been removed while the dialog stayed open: there
        // is no row to rename then, and the typed name stays for another try.
        if (m_position == 0) {
            m_runtime.MsgBox("変更するアプリケーションを一覧で選択して下さい。", vbOKOnly, "名前の変更");
            return;
        }
        m_store.Rename(m_position, text);
        list.setList(std::int16_t(m_position - 1), text);
        m_view->whatname().setCaption("");
        m_view->form().Hide();
    });
}

void namechenge::clear_Click()
{
    m_runtime.withoutRecovery([this] { m_view->Text1().setText(""); });
}

void namechenge::cancel_Click()
{
    m_runtime.withoutRecovery([this] { m_view->form().Hide(); });
}

void namechenge::Text1_KeyDown(int keyCode, int shift)
{
    (void)shift;
    m_runtime.withoutRecovery([this, keyCode] {
        switch (keyCode) {
        case vbKeyReturn:
            chenge_Click();
            break;
        case vbKeyEscape:
        case vbKeyEnd:
            cancel_Click();
            break;
        case vbKeyHome:
            clear_Click();
            break;
        default:
            break;
        }
    });
}

} // namespace kl
