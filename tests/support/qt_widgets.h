// Reaching the toolkit's Qt widgets from tests: a widget by its number, and
// files dropped on one the way Qt delivers a drag and drop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <string>
#include <vector>

namespace pixmold::test {

inline QWidget* qt_widget(int number) {
    for (QWidget* top : QApplication::topLevelWidgets())
        for (QWidget* w : top->findChildren<QWidget*>())
            if (w->property("pixmold_number").isValid() && w->property("pixmold_number").toInt() == number) return w;
    return nullptr;
}

inline void drop_paths(QWidget* target, const std::vector<std::string>& paths) {
    ASSERT_NE(target, nullptr);
    QList<QUrl> urls;
    for (const std::string& p : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at(30, 30);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

}  // namespace pixmold::test
