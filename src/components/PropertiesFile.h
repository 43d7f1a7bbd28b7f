#pragma once

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
// are left out; Name never appears.
QString PropertiesText(TiComponent& component);

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

// Reads the file as UTF-8, at most MaxPropertiesFileSize bytes, and loads it as above; a file
// that cannot be read or is too large raises the same error.
void LoadPropertiesFile(TiComponent& component, const QString& fileName);
