// The home page `ts0`: the six steps as picture buttons, the clear images, the school,
// user and database labels, backup and restore.
#pragma once

#include <QLabel>
#include <QPointF>
#include <QRect>
#include <QWidget>

#include <array>

#include "app/home.h"
#include "ui/art.h"
#include "ui/page.h"

class QPushButton;

namespace tavrin::app::ui {

using tavrin::ui::kStepH;
using tavrin::ui::kStepW;
using tavrin::ui::StepLook;

// Where everything of the home page stands for a background of W x H.
struct HomeLayout {
    std::array<QRect, 7> step{};        // index 1..6
    std::array<QPoint, 7> del{};        // top-left of the clear image, index 1..4 and 6
    QPoint noPai;                       // top-left of "未排！"
    std::array<QPointF, 6> arrowFrom{};  // index k: the arrow from step k to step k + 1
    std::array<QPointF, 6> arrowTo{};
};
HomeLayout homeLayout(int W, int H, int w1 = kStepW, int h1 = kStepH);

// A step image `imgMainN`: normal, hover or unavailable picture.
class StepImage : public QWidget {
    Q_OBJECT
public:
    StepImage(int step, QWidget* parent);
    int step() const { return step_; }
    StepLook look() const;
Q_SIGNALS:
    void clicked();
    void entered();
    void left();

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void changeEvent(QEvent*) override;

private:
    int step_;
    bool hover_ = false;
};

// A clear image `imgDelN`.
class DelImage : public QWidget {
    Q_OBJECT
public:
    DelImage(int step, QWidget* parent);
    int step() const { return step_; }
    bool hovered() const { return hover_; }
Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    int step_;
    bool hover_ = false;
};

// An arrow `imgArwNtoM`, drawn between two points given in its parent's coordinates.
class ArrowImage : public QWidget {
    Q_OBJECT
public:
    ArrowImage(const QString& name, QWidget* parent);
    void place(QPointF from, QPointF to);
    void setActive(bool on);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QPointF from_, to_;
    bool active_ = false;
};

// The label with a hover colour and a click, used for `lblUser`.
class HoverLabel : public QLabel {
    Q_OBJECT
public:
    HoverLabel(const QString& name, QWidget* parent);
    void setColours(const QString& normal, const QString& hover);
    bool hovered() const { return hover_; }
Q_SIGNALS:
    void entered();
    void left();
    void released();

protected:
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    bool hover_ = false;
    QString normal_, hoverColour_;
    void applyColour();
};

// The small arrow beside the user label (`imgUserSel`).
class UserArrow : public QWidget {
    Q_OBJECT
public:
    explicit UserArrow(QWidget* parent);
    void setHover(bool on);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool hover_ = false;
};

class HomePage;

// `pnlHomeBk`: the background that lays the home page out on every resize.
class HomeBk : public QWidget {
    Q_OBJECT
public:
    explicit HomeBk(HomePage* page);
Q_SIGNALS:
    void entered();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void enterEvent(QEnterEvent*) override;

private:
    HomePage* page_;
};

class HomePage : public tavrin::ui::Page {
    Q_OBJECT
public:
    explicit HomePage(tavrin::ui::Shell& shell, QWidget* parent = nullptr);

    // Shows a refreshed home state (the pictures, clear images, "未排！", school name).
    void apply(const HomeState& h);
    void setDataPath(const QString& path);
    void setUserLabel(const QString& text);

    StepImage* imgMain(int step) const { return imgMain_[static_cast<std::size_t>(step)]; }
    DelImage* imgDel(int step) const { return imgDel_[static_cast<std::size_t>(step)]; }
    ArrowImage* arrow(int from) const { return arrows_[static_cast<std::size_t>(from)]; }
    QLabel* lblNoPai() const { return lblNoPai_; }
    QLabel* lblSchool() const { return lblSchool_; }
    HoverLabel* lblUser() const { return lblUser_; }
    QLabel* lblData() const { return lblData_; }
    // Where a new user starts, shown while the school has no classes.
    QLabel* lblStart() const { return lblStart_; }
    QPushButton* btnReData() const { return btnReData_; }
    QPushButton* btnBackData() const { return btnBackData_; }
    HomeBk* pnlHomeBk() const { return bk_; }

    // Lays everything out for the background's current size.
    void relayout();

    bool hasSave() const override { return false; }
    QString helpTopic() const override { return QStringLiteral("0"); }

Q_SIGNALS:
    void stepClicked(int step);
    void clearClicked(int step);
    void userMenuRequested(QPoint globalPos);
    void restoreRequested();
    void backupRequested();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    HomeBk* bk_;
    std::array<StepImage*, 7> imgMain_{};
    std::array<DelImage*, 7> imgDel_{};
    std::array<ArrowImage*, 6> arrows_{};
    QLabel* lblNoPai_;
    QLabel* lblSchool_;
    HoverLabel* lblUser_;
    UserArrow* imgUserSel_;
    QLabel* lblDataCaption_;
    QLabel* lblData_;
    QLabel* lblStart_;
    QPushButton* btnReData_;
    QPushButton* btnBackData_;
    void hoverStatus(QWidget* w, const QString& text);
};

}  // namespace tavrin::app::ui
