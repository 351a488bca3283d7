#include "toolkit/text_alignment.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include "toolkit/toolkit_internal.h"

namespace pixmold {

void set_centred_text(int widget, const std::string& text) {
    auto* edit = qobject_cast<QTextEdit*>(detail::find_widget(widget));
    if (!edit) {
        set_text(widget, text);
        return;
    }
    edit->setPlainText(QString::fromStdString(text));
    QTextCursor cursor(edit->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(format);
}

bool text_is_centred(int widget) {
    auto* edit = qobject_cast<QTextEdit*>(detail::find_widget(widget));
    if (!edit) return false;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next())
        if (!(block.blockFormat().alignment() & Qt::AlignHCenter)) return false;
    return true;
}

}  // namespace pixmold
