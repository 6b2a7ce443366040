#ifndef SUPPORT_SAVEDIALOG_H
#define SUPPORT_SAVEDIALOG_H

// The save dialog as an operator drives it: the name typed into its name
// field, then Return there or a click on "Save"; and the question asked
// before a file is replaced.

#include <QtTest>
#include <QtWidgets>

// Answers the question before a file is replaced with `button`, keeping its
// first line; a file dialog still open after it is cancelled.
inline void answerReplace(QObject *scope, QMessageBox::StandardButton button, QString *asked)
{
    auto *timer = new QTimer(scope);
    QObject::connect(timer, &QTimer::timeout, [button, asked] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            *asked = box->text().section('\n', 0, 0);
            box->button(button)->click();
        } else if (qobject_cast<QFileDialog *>(modal) && !asked->isEmpty()) {
            static_cast<QDialog *>(modal)->reject();
        }
    });
    timer->start(10);
}

// Types `path` over the proposed name in the file dialog's name field, which
// has the focus as the dialog opens, then presses Return there or clicks the
// dialog's "Save" button.
inline void typeIntoFileDialog(const QString &path, bool byReturn = true)
{
    QTimer::singleShot(0, [path, byReturn] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog && QTest::qWaitForWindowActive(dialog));
        auto *field = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(field && dialog->isAncestorOf(field));
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, path);
        if (byReturn)
            return QTest::keyClick(field, Qt::Key_Return);
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        QPushButton *save = buttons ? buttons->button(QDialogButtonBox::Save) : nullptr;
        QVERIFY(save && save->isEnabled());
        QTest::mouseClick(save, Qt::LeftButton);
    });
}

#endif // SUPPORT_SAVEDIALOG_H
