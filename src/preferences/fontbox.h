#pragma once

// The font group of the preferences pages: name with "Font...", size, bold, italic and a sample. A stored
// family this machine lacks shows as the family used instead, and is given back unchanged until the user
// chooses another font.

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace korvo {

class FontBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit FontBox(QWidget *parent = nullptr);

    void set(const QString &family, float size, bool bold, bool italic);
    QString family() const;
    float size() const;
    bool bold() const;
    bool italic() const;

Q_SIGNALS:
    void changed();

private:
    void chooseFont();
    void updateSample();

    QString m_family; // as stored or chosen
    QLineEdit *m_name = nullptr;
    QComboBox *m_size = nullptr;
    QCheckBox *m_bold = nullptr;
    QCheckBox *m_italic = nullptr;
    QLabel *m_sample = nullptr;
    bool m_loading = false;
};

} // namespace korvo
