#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

class TiComponent;

// A save or load of a properties file that failed; the message says which and why.
class PropertiesFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Names, values and whole lines are cut to this many characters when written.
constexpr int MaxPropertiesLineLength = 255;
// A longer file is refused rather than read.
constexpr qint64 MaxPropertiesFileSize = 1024 * 1024;

// The file's text: "File Type = " and the class name, then "name = value" for each written
// property, every line ended by CR LF. With OptionSaveAllProperties off the layout properties
// are left out; Name never appears. Names, values and lines are cut by characters (code
// points), so a cut never splits one.
QString PropertiesText(TiComponent& component);

// The file is text in the system's code page, which here is UTF-8. Files written by a station
// whose code page was the Chinese one are GBK: a file that is not valid UTF-8 is read as
// GB18030, which holds GBK, so its Chinese text survives. New files are always UTF-8. Raises
// std::runtime_error when the bytes are not UTF-8 and Qt offers no GB18030 decoder.
QString DecodePropertiesFile(const QByteArray& bytes);

// Writes PropertiesText in UTF-8, creating or overwriting the file. Raises PropertiesFileError
// "Error Saving Properties - " and the reason.
void SavePropertiesFile(TiComponent& component, const QString& fileName);

// Assigns the values text holds, between BeginUpdate and EndUpdate so that one repaint
// follows. The first line is ignored; each property takes the first remaining line whose name
// matches its full name (ASCII letters compared without case) and consumes it. Raises
// PropertiesFileError "Error Loading Properties - " and the reason when a value does not
// convert; the properties assigned before it keep their new values and the update lock is
// released.
void LoadPropertiesText(TiComponent& component, const QString& text);

// Reads at most MaxPropertiesFileSize bytes of the file as UTF-8, or as GB18030 when they are
// not valid UTF-8, and loads them as above; a file that cannot be read or is too large raises
// the same error.
void LoadPropertiesFile(TiComponent& component, const QString& fileName);
