#include "savefiledialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace
{

QString withSuffix(const QString &fileName, const QStringList &suffixes)
{
    for (const QString &suffix : suffixes) {
        if (fileName.endsWith(suffix, Qt::CaseInsensitive))
            return fileName;
    }
    return fileName + suffixes.value(0);
}

// The question is the dialog's own, because Qt's asks of the name as typed,
// and the name cannot be changed before it asks: while the name field has
// the focus (as it does when Return is pressed there) selectFile() leaves
// its text alone.
class SuffixSaveDialog : public QFileDialog
{
public:
    SuffixSaveDialog(QWidget *parent, const QString &caption, const QString &proposed,
                     const QString &filter, const QStringList &suffixes)
        : QFileDialog(parent, caption, proposed, filter), m_suffixes(suffixes)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::DontConfirmOverwrite);
        setFileMode(QFileDialog::AnyFile);
        setAcceptMode(QFileDialog::AcceptSave);
    }

    QString chosen() const { return m_chosen; }

    void accept() override
    {
        const QString typed = selectedFiles().value(0);
        // A folder typed is entered by the dialog, not saved to.
        if (typed.isEmpty() || QFileInfo(typed).isDir())
            return QFileDialog::accept();
        const QString named = withSuffix(typed, m_suffixes);
        if (QFileInfo::exists(named) &&
            QMessageBox::warning(this, windowTitle(),
                                 QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                                     .arg(QFileInfo(named).fileName()),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) != QMessageBox::Yes) {
            // Back to the name field for another name: without a window
            // manager nobody else hands the keyboard back from the question.
            activateWindow();
            return;
        }
        m_chosen = named;
        QFileDialog::accept();
    }

private:
    QStringList m_suffixes;
    QString m_chosen;
};

} // namespace

QString askSaveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                        const QString &filter, const QStringList &suffixes)
{
    SuffixSaveDialog dialog(parent, caption, proposed, filter, suffixes);
    return dialog.exec() == QDialog::Accepted ? dialog.chosen() : QString();
}
