#include "unkeptlinesnotice.h"

#include "filestorewatch.h"
#include "inisettingsstore.h"
#include "platform/runtimeerror.h"

namespace kl {

UnkeptLinesNotice::UnkeptLinesNotice(IniSettingsStore &settings, MessageBoxes &boxes, FileStoreWatch &watch,
                                     std::string app)
    : m_settings(settings)
    , m_boxes(boxes)
    , m_watch(watch)
    , m_app(std::move(app))
{
}

void UnkeptLinesNotice::check()
{
    // A store in use is looked at once it is let go: the watch calls again
    // then, and the window's own read would only wait a second time.
    if (m_settings.configDir().empty() || m_watch.storeInUse())
        return;
    bool whole = true;
    try {
        whole = m_settings.readsWhole(m_app);
        m_settings.commit();
    } catch (const RuntimeError &) {
        try {
            m_settings.commit(); // lets go; the window's own read reports the failure
        } catch (const RuntimeError &) {
        }
    }
    if (whole)
        m_told = false;
    if (whole || m_told)
        return;
    m_told = true;
    const std::string unkept = "一覧を次に変更すると、その行は書き戻されません (変更の前に、元のファイルを同じフォルダーに写して残します)。";
    m_boxes.MsgBox("設定ファイル " + m_settings.fileName(m_app) + " に、設定として読めない行があります。" + unkept, vbOKOnly, "注意");
}

void UnkeptLinesNotice::follow(std::function<void()> changed)
{
    if (changed) {
        changed = [this, changed = std::move(changed)] {
            check();
            changed();
        };
    }
    m_watch.follow(std::move(changed));
}

void UnkeptLinesNotice::retry()
{
    m_watch.retry();
}

} // namespace kl
