#pragma once

#include <QImage>
#include <QString>

namespace tesk {

// The rotating background picture (`bt2`) and its number. Picture n is
// "TESK_VistorBackground_<n>" in CurrentPath; when it is missing the
// sequence wraps to picture 0, and without that to the unnumbered picture.
// For each name a ".bmp" is preferred, else ".png", else ".jpg".
class BoardBackground {
public:
    // Folder of the pictures, with a trailing separator.
    void setCurrentPath(const QString& path);
    QString currentPath() const;

    // Clears the picture to black (size kept), then loads the first file of
    // the sequence that exists. True when a file was loaded (the caller then
    // repaints); false when none exists. Throws std::runtime_error with the
    // reason when a file exists but cannot be read; the picture then stays
    // cleared.
    bool LoadBackground();
    // Next number, then LoadBackground.
    bool BackGroundTimerTimer();

    int CurrBackGround() const { return m_curr; }
    void setCurrBackGround(int n) { m_curr = n; }
    // The loaded picture, 32-bit; null until a file has been loaded.
    const QImage& picture() const { return m_bt2; }

    // The file used for a picture name ("TESK_VistorBackground_3"), or empty.
    QString existingFile(const QString& baseName) const;

private:
    bool loadCurrent();
    void load(const QString& file);

    QString m_path;
    int m_curr = 0;
    QImage m_bt2;
};

} // namespace tesk
