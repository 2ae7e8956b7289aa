#pragma once

#include "sysreg/PageLoad.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

namespace tesk {

class ClientIdentity;
class SettingsStore;
class SysRegConnection;
class UserMessages;

// "Klientinställningar": how this client's name is formed, which resources
// it shows and in which order, and its place and colour in the server's
// register. The lists are filled by the server's answers, which the
// dispatcher hands to ApplyAllResources and ApplyStationResources.
class ClientPage : public QWidget {
    Q_OBJECT
public:
    using PickColour = std::function<std::optional<std::uint32_t>(QWidget* parent, std::uint32_t colour)>;
    using CallListLopnrs = std::function<QList<int>()>;

    ClientPage(SettingsStore& settings, ClientIdentity& identity, UserMessages& messages,
               SysRegConnection& connection, PickColour pickColour, CallListLopnrs callList,
               QWidget* parent = nullptr);

    static inline const QString Inactive = QStringLiteral(" - (inaktiv)");
    static inline const QString BadCharacters = QStringLiteral("Plats och klientnamn får inte innehålla ':' eller '¤'.");

    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr; // automatic name
    QLineEdit* Edit1 = nullptr;
    QRadioButton* RadioButton2 = nullptr; // manual name
    QLineEdit* Edit2 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QListWidget* ListBox1 = nullptr; // "Alla resurser"
    QListWidget* ListBox2 = nullptr; // "Valda resurser"
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QLabel* pnlPlats = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Panel6 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* BitBtn6 = nullptr;

    void load(const LoadStillCurrent& stillCurrent);
    // Stores the name choice and sends the chosen resources.
    void save();

    // The dispatcher's answers (the cut frames: field k from 1).
    void ApplyAllResources(const QString& frame);
    void ApplyStationResources(const QString& frame);

    void setHintPanelVisible(bool visible);
    bool isHintPanelShown() const;

    // Whether the next all-resources answer fills "Alla resurser".
    bool isTargetListBound() const { return m_targetBound; }
    void UnbindTargetList() { m_targetBound = false; }

    std::uint32_t swatchColour() const { return m_colour; }
    void setSwatchColour(std::uint32_t colour);
    // A list entry's resource number.
    static int entryNumber(const QListWidgetItem* item);

public Q_SLOTS:
    void BitBtn1Click(); // to "Valda resurser"
    void BitBtn2Click(); // back to "Alla resurser"
    void BitBtn3Click(); // up
    void BitBtn4Click(); // down
    void BitBtn5Click(); // colour
    void BitBtn6Click(); // registration

private:
    void buildLayout();
    void nameChoiceChanged();
    void Edit2Change(const QString& text);
    bool stationListsSupported() const;
    // Refuses text that would break the frame it travels in.
    bool frameSafe(const QString& text) const;
    QListWidgetItem* findNumber(QListWidget* list, int number) const;
    void swapChosen(int from, int to);

    SettingsStore& m_settings;
    ClientIdentity& m_identity;
    UserMessages& m_messages;
    SysRegConnection& m_connection;
    PickColour m_pickColour;
    CallListLopnrs m_callList;
    std::uint32_t m_colour = 0x00FFFFFF;
    bool m_targetBound = false;
};

} // namespace tesk
