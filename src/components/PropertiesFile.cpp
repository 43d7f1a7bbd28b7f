#include "components/PropertiesFile.h"

#include "components/PropertyText.h"
#include "components/PropertyWalk.h"
#include "components/TiComponent.h"

#include <QFile>
#include <QHash>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QStringList>

#include <deque>
#include <optional>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString LineEnd = QStringLiteral("\r\n");

QStringList excludedNames(bool saveAllProperties)
{
    QStringList names{QStringLiteral("Name")};
    if (!saveAllProperties) {
        names << QStringLiteral("Left") << QStringLiteral("Top") << QStringLiteral("Width")
              << QStringLiteral("Height") << QStringLiteral("Align") << QStringLiteral("Cursor")
              << QStringLiteral("ShowHint") << QStringLiteral("Tag") << QStringLiteral("Visible")
              << QStringLiteral("Enabled") << QStringLiteral("Hint")
              << QStringLiteral("HelpContext");
    }
    return names;
}

// At most length characters; a character outside the basic plane is never split in two.
QString cut(const QString& text, int length = MaxPropertiesLineLength)
{
    qsizetype end = 0;
    for (int count = 0; count < length && end < text.size(); ++count) {
        const bool pair = text.at(end).isHighSurrogate() && end + 1 < text.size() &&
                          text.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

// A value with a line break would become lines of its own, and the loader would read them as
// further properties.
QString onOneLine(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString upperAscii(QString text)
{
    for (QChar& c : text) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    }
    return text;
}

// The lines of a file after its first, by upper-cased name, each name's values in file order.
class RemainingLines
{
public:
    explicit RemainingLines(const QString& text)
    {
        qsizetype start = 0;
        bool first = true;
        while (start < text.size()) {
            qsizetype end = start;
            while (end < text.size() && text.at(end) != QLatin1Char('\r') &&
                   text.at(end) != QLatin1Char('\n'))
                ++end;
            if (!first)
                add(QStringView(text).sliced(start, end - start));
            first = false;
            // CR LF, CR and LF each end a line.
            if (end + 1 < text.size() && text.at(end) == QLatin1Char('\r') &&
                text.at(end + 1) == QLatin1Char('\n'))
                ++end;
            start = end + 1;
        }
    }

    // The value of the first remaining line of that name, which is then gone.
    std::optional<QString> Take(const QString& fullName)
    {
        const auto found = values_.find(upperAscii(fullName));
        if (found == values_.end() || found->empty())
            return std::nullopt;
        QString value = found->front();
        found->pop_front();
        return value;
    }

private:
    void add(QStringView line)
    {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            return;
        const QString name = upperAscii(line.first(equals).trimmed().toString());
        values_[name].push_back(line.sliced(equals + 1).trimmed().toString());
    }

    QHash<QString, std::deque<QString>> values_;
};

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

void writeText(const QString& fileName, const QString& text)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush())
        fail(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()));
}

// Opened without waiting: a FIFO or a device would hold the UI thread until a peer turns up,
// and is refused once open.
void openRegularFile(QFile& file, const QString& fileName)
{
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        fail(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, qt_error_string(errno)));
    struct stat status;
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (!regular || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        fail(QStringLiteral("Cannot open file \"%1\". It is not a regular file").arg(fileName));
    }
}

QString readText(const QString& fileName)
{
    QFile file;
    openRegularFile(file, fileName);
    // One byte over the limit tells a file that is too large, whatever size it reports.
    const QByteArray bytes = file.read(MaxPropertiesFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, file.errorString()));
    if (bytes.size() > MaxPropertiesFileSize)
        fail(QStringLiteral("File \"%1\" is larger than %2 bytes")
                 .arg(fileName)
                 .arg(MaxPropertiesFileSize));
    return DecodePropertiesFile(bytes);
}

void load(TiComponent& component, const QString& text)
{
    RemainingLines lines(text);
    component.BeginUpdate();
    // Also after a failed load: the component keeps repainting.
    const auto release = qScopeGuard([&component] { component.EndUpdate(); });
    WalkPublishedProperties(
        &component, QString(), [](const QString&) { return true; },
        [&lines](QObject* object, const QMetaProperty& property, const QString& fullName) {
            if (KindOf(property) == PropertyKind::Other)
                return;
            if (const auto value = lines.Take(fullName))
                property.write(object, ValueFromText(property, *value));
        });
}

// Runs f; an error it raises goes on as a PropertiesFileError with prefix before its message.
template <typename F> void reported(const QString& prefix, F f)
{
    try {
        f();
    } catch (const std::exception& e) {
        throw PropertiesFileError((prefix + QString::fromUtf8(e.what())).toStdString());
    }
}

const QString SaveError = QStringLiteral("Error Saving Properties - ");
const QString LoadError = QStringLiteral("Error Loading Properties - ");

} // namespace

QString DecodePropertiesFile(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb18030("GB18030");
    if (!gb18030.isValid())
        fail(QStringLiteral("The text is not UTF-8 and no GB18030 decoder is available"));
    return gb18030.decode(bytes);
}

QString PropertiesText(TiComponent& component)
{
    const QStringList excluded = excludedNames(component.OptionSaveAllProperties());
    QString text =
        cut(QStringLiteral("File Type = ") + QLatin1String(component.metaObject()->className())) +
        LineEnd;
    WalkPublishedProperties(
        &component, QString(),
        [&excluded](const QString& fullName) {
            return !excluded.contains(fullName, Qt::CaseInsensitive);
        },
        [&text](QObject* object, const QMetaProperty& property, const QString& fullName) {
            if (KindOf(property) == PropertyKind::Other)
                return;
            const QString value = onOneLine(ValueText(property, object));
            text += cut(cut(fullName) + QStringLiteral(" = ") + cut(value)) + LineEnd;
        });
    return text;
}

void SavePropertiesFile(TiComponent& component, const QString& fileName)
{
    reported(SaveError, [&] { writeText(fileName, PropertiesText(component)); });
}

void LoadPropertiesText(TiComponent& component, const QString& text)
{
    reported(LoadError, [&] { load(component, text); });
}

void LoadPropertiesFile(TiComponent& component, const QString& fileName)
{
    reported(LoadError, [&] { load(component, readText(fileName)); });
}

void TiComponent::SavePropertiesToFile(const QString& fileName)
{
    SavePropertiesFile(*this, fileName);
}

void TiComponent::LoadPropertiesFromFile(const QString& fileName)
{
    LoadPropertiesFile(*this, fileName);
}
