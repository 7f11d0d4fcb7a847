// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

class COvrinDoc;
class COvrinView;
class QAccessibleEvent;

// Tells assistive technology what changed in one view: the entry shown, the
// mode, the table. It keeps what it last announced and, when told that the
// document may have changed, sends only the events that describe the
// difference. Lives as a child of its view.
class CViewAccessibility final : public QObject {
    Q_OBJECT
public:
    explicit CViewAccessibility(COvrinView& view);

    // The document or the view's state may have changed (any update of the
    // view). Cheap when no assistive technology listens.
    static void Notify(COvrinView& view);

    // Where the events go instead of Qt's accessibility, when set: a record
    // for tests on a platform without an accessibility bridge (there Qt
    // drops every event). nullptr restores Qt's.
    using EventSink = void (*)(QAccessibleEvent* event);
    static void SetEventSink(EventSink sink);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Changed();
    void AnnounceFocus();

    struct Shown {
        int mode = -1;
        int count = -1;
        int current = -2;
        unsigned tableChanges = 0;
        QString entryText;  // only while the entry or welcome is shown
        int findHit = -1;   // offset of the find hit in entryText
        bool operator==(const Shown&) const = default;
    };
    COvrinView& m_view;
    Shown m_shown;
};
