#include "app/ui/homepage.h"

#include <QEnterEvent>
#include <QEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tavrin::app::ui {

// The drawn pictures of the home page live in the screen kit.
using namespace tavrin::ui;

namespace {

constexpr int kBandH = 50;  // the dark band with the school and the user at the top

// Where the line from the centre of `r` towards `target` leaves `r`.
QPointF exitPoint(const QRectF& r, QPointF target)
{
    const QPointF c = r.center();
    const double dx = target.x() - c.x(), dy = target.y() - c.y();
    double t = 1.0;
    if (std::abs(dx) > 1e-9)
        t = std::min(t, (r.width() / 2) / std::abs(dx));
    if (std::abs(dy) > 1e-9)
        t = std::min(t, (r.height() / 2) / std::abs(dy));
    return {c.x() + dx * t, c.y() + dy * t};
}

}  // namespace

HomeLayout homeLayout(int W, int H, int w1, int h1)
{
    HomeLayout l;
    const int a = 2 * (W - 40) / 5;
    const int b = (a - 2 * w1) / 2;
    const int left12 = b + 20;
    const int left34 = b + 20 + w1 + 2 * b;
    const int c = (H - 2 * h1 - 50) / 5;
    const int top13 = 2 * c + 50;
    const int top24 = 3 * c + 50 + h1;
    l.step[1] = QRect(left12, top13, w1, h1);
    l.step[2] = QRect(left12, top24, w1, h1);
    l.step[3] = QRect(left34, top13, w1, h1);
    l.step[4] = QRect(left34, top24, w1, h1);
    // Steps 5 and 6 share what is right of step 4: equal gaps before 5, between 5 and 6,
    // and after 6.
    const int right4 = left34 + w1;
    const int gap = (W - right4 - 2 * w1) / 3;
    const int top56 = (H - h1) / 2;
    l.step[5] = QRect(right4 + gap, top56, w1, h1);
    l.step[6] = QRect(right4 + gap + w1 + gap, top56, w1, h1);
    for (int s : {1, 2, 3, 4, 6})
        l.del[static_cast<std::size_t>(s)] = QPoint(l.step[static_cast<std::size_t>(s)].left() + kDelOffsetX,
                                                    l.step[static_cast<std::size_t>(s)].top());
    l.noPai = QPoint(l.step[5].left() + 94, l.step[5].top() + 8);

    // Each arrow sits halfway between the tiles it joins, along the line of their centres,
    // no longer than the gap allows.
    for (int k = 1; k <= 5; ++k) {
        // The visible card is a little inside the tile.
        QRectF ra = QRectF(l.step[static_cast<std::size_t>(k)]).adjusted(6, 6, -6, -8);
        QRectF rb = QRectF(l.step[static_cast<std::size_t>(k + 1)]).adjusted(6, 6, -6, -8);
        QPointF pa = exitPoint(ra, rb.center());
        QPointF pb = exitPoint(rb, ra.center());
        const double dx = pb.x() - pa.x(), dy = pb.y() - pa.y();
        const double gapLen = std::hypot(dx, dy);
        const double len = std::clamp(gapLen - 20, 0.0, 56.0);
        const QPointF mid((pa.x() + pb.x()) / 2, (pa.y() + pb.y()) / 2);
        QPointF u = gapLen > 1e-9 ? QPointF(dx / gapLen, dy / gapLen) : QPointF(1, 0);
        l.arrowFrom[static_cast<std::size_t>(k)] = mid - u * (len / 2);
        l.arrowTo[static_cast<std::size_t>(k)] = mid + u * (len / 2);
    }
    return l;
}

// ---------------------------------------------------------------- StepImage

StepImage::StepImage(int step, QWidget* parent) : QWidget(parent), step_(step)
{
    setObjectName(QStringLiteral("imgMain%1").arg(step));
    setFixedSize(kStepW, kStepH);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

StepLook StepImage::look() const
{
    if (!isEnabled())
        return StepLook::Unavailable;
    return hover_ ? StepLook::Hover : StepLook::Normal;
}

void StepImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintStep(p, rect(), step_, look());
}

void StepImage::enterEvent(QEnterEvent*)
{
    if (!isEnabled())
        return;
    hover_ = true;
    update();
    Q_EMIT entered();
}

void StepImage::leaveEvent(QEvent*)
{
    if (hover_) {
        hover_ = false;
        update();
    }
    Q_EMIT left();
}

void StepImage::mouseReleaseEvent(QMouseEvent* e)
{
    if (isEnabled() && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        Q_EMIT clicked();
}

void StepImage::changeEvent(QEvent* e)
{
    // A step that becomes unavailable under the pointer must not keep its hover picture.
    if (e->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            hover_ = false;
        update();
    }
    QWidget::changeEvent(e);
}

// ---------------------------------------------------------------- DelImage

DelImage::DelImage(int step, QWidget* parent) : QWidget(parent), step_(step)
{
    setObjectName(QStringLiteral("imgDel%1").arg(step));
    setFixedSize(kDelSize, kDelSize);
    setCursor(Qt::PointingHandCursor);
    setToolTip(step == 6 ? QStringLiteral("清空课程表") : QStringLiteral("清除"));
}

void DelImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintTrash(p, rect(), hover_);
}

void DelImage::enterEvent(QEnterEvent*)
{
    hover_ = true;
    update();
}

void DelImage::leaveEvent(QEvent*)
{
    hover_ = false;
    update();
}

void DelImage::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        Q_EMIT clicked();
}

// ---------------------------------------------------------------- ArrowImage

ArrowImage::ArrowImage(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ArrowImage::place(QPointF from, QPointF to)
{
    QRectF box = QRectF(from, to).normalized().adjusted(-8, -8, 8, 8);
    QRect r = box.toAlignedRect();
    setGeometry(r);
    from_ = from - QPointF(r.topLeft());
    to_ = to - QPointF(r.topLeft());
    update();
}

void ArrowImage::setActive(bool on)
{
    active_ = on;
    update();
}

void ArrowImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintArrow(p, from_, to_, active_);
}

// ---------------------------------------------------------------- HoverLabel, UserArrow

HoverLabel::HoverLabel(const QString& name, QWidget* parent) : QLabel(parent)
{
    setObjectName(name);
    setCursor(Qt::PointingHandCursor);
}

void HoverLabel::setColours(const QString& normal, const QString& hover)
{
    normal_ = normal;
    hoverColour_ = hover;
    applyColour();
}

void HoverLabel::applyColour()
{
    setStyleSheet(QStringLiteral("color:%1;").arg(hover_ ? hoverColour_ : normal_));
}

void HoverLabel::enterEvent(QEnterEvent*)
{
    hover_ = true;
    applyColour();
    Q_EMIT entered();
}

void HoverLabel::leaveEvent(QEvent*)
{
    hover_ = false;
    applyColour();
    Q_EMIT left();
}

void HoverLabel::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        Q_EMIT released();
}

UserArrow::UserArrow(QWidget* parent) : QWidget(parent)
{
    setObjectName("imgUserSel");
    setFixedSize(14, 14);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void UserArrow::setHover(bool on)
{
    hover_ = on;
    update();
}

void UserArrow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintUserArrow(p, rect(), hover_);
}

// ---------------------------------------------------------------- HomeBk

HomeBk::HomeBk(HomePage* page) : QWidget(page), page_(page)
{
    setObjectName("pnlHomeBk");
}

void HomeBk::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0xf6, 0xf8, 0xfc));
    g.setColorAt(1, QColor(0xe9, 0xef, 0xf7));
    p.fillRect(rect(), g);
    QLinearGradient band(0, 0, width(), 0);
    band.setColorAt(0, QColor(0x1d, 0x35, 0x57));
    band.setColorAt(1, QColor(0x27, 0x4c, 0x7a));
    p.fillRect(QRect(0, 0, width(), kBandH), band);
    // A hairline above the database row.
    p.setPen(QColor(0xd8, 0xdf, 0xe9));
    p.drawLine(16, height() - 46, width() - 16, height() - 46);
}

void HomeBk::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    page_->relayout();
}

void HomeBk::enterEvent(QEnterEvent*)
{
    Q_EMIT entered();
}

// ---------------------------------------------------------------- HomePage

HomePage::HomePage(tavrin::ui::Shell& shell, QWidget* parent) : Page(shell, 0, parent)
{
    bk_ = new HomeBk(this);
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(bk_);
    for (int k = 1; k <= 5; ++k)
        arrows_[static_cast<std::size_t>(k)] = new ArrowImage(QStringLiteral("imgArw%1to%2").arg(k).arg(k + 1), bk_);
    static const char* const hints[] = {"",
                                        "设置年级、班级数量、名称。",
                                        "设置天数、课时、公共时段。",
                                        "设置科目数量、名称、各班节数。",
                                        "设置教师数量、名称、任课情况。",
                                        "开始计算机自动排课。",
                                        "打开课程表，可以查询、调整、打印、导出课程表。"};
    for (int s = 1; s <= 6; ++s) {
        auto* img = new StepImage(s, bk_);
        imgMain_[static_cast<std::size_t>(s)] = img;
        const QString hint = QString::fromUtf8(hints[s]);
        connect(img, &StepImage::entered, this, [this, hint] { this->shell().setStatus(hint); });
        connect(img, &StepImage::left, this, [this] { this->shell().setStatus({}); });
        connect(img, &StepImage::clicked, this, [this, s] { Q_EMIT stepClicked(s); });
    }
    for (int s : {1, 2, 3, 4, 6}) {
        auto* d = new DelImage(s, bk_);
        imgDel_[static_cast<std::size_t>(s)] = d;
        connect(d, &DelImage::clicked, this, [this, s] { Q_EMIT clearClicked(s); });
    }

    lblNoPai_ = new QLabel(QStringLiteral("未排！"), bk_);
    lblNoPai_->setObjectName("lblNoPai");
    lblNoPai_->setAlignment(Qt::AlignCenter);
    lblNoPai_->setStyleSheet(
        "QLabel{color:white;background:#e5484d;border-radius:9px;padding:1px 8px;font-weight:bold;}");
    lblNoPai_->adjustSize();

    lblSchool_ = new QLabel(bk_);
    lblSchool_->setObjectName("lblSchool");
    {
        QFont f = lblSchool_->font();
        f.setPixelSize(20);
        f.setBold(true);
        lblSchool_->setFont(f);
    }
    lblSchool_->setStyleSheet("color:white;");
    // Stored text: shown as typed, never read as markup.
    lblSchool_->setTextFormat(Qt::PlainText);

    lblUser_ = new HoverLabel("lblUser", bk_);
    {
        QFont f = lblUser_->font();
        f.setPixelSize(15);
        lblUser_->setFont(f);
    }
    // Light enough on the dark band to read (above 4.5:1), brighter still under the mouse.
    lblUser_->setColours("#C8D2E0", "#FFFFFF");
    lblUser_->setTextFormat(Qt::PlainText);
    imgUserSel_ = new UserArrow(bk_);
    connect(lblUser_, &HoverLabel::entered, this, [this] {
        imgUserSel_->setHover(true);
        this->shell().setStatus(QStringLiteral("切换登录用户、修改密码、增删用户。"));
    });
    connect(lblUser_, &HoverLabel::left, this, [this] { imgUserSel_->setHover(false); });
    connect(lblUser_, &HoverLabel::released, this,
            [this] { Q_EMIT userMenuRequested(lblUser_->mapToGlobal(QPoint(-10, lblUser_->height()))); });

    lblDataCaption_ = new QLabel(QStringLiteral("数据库："), bk_);
    lblDataCaption_->setStyleSheet("color:#7a8596;");
    lblData_ = new QLabel(bk_);
    lblData_->setObjectName("lblData");
    lblData_->setStyleSheet("color:#3d4a5c;");
    lblData_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblData_->setTextFormat(Qt::PlainText);
    lblStart_ = new QLabel(QStringLiteral("这是一所空学校：从第1步“班级”开始；想先看一所完整的学校，"
                                          "点右下角的“恢复”，选择程序 samples 文件夹里的“示例学校.wkt”。"),
                           bk_);
    lblStart_->setObjectName("lblStart");
    lblStart_->setWordWrap(true);
    lblStart_->setStyleSheet(
        "QLabel{color:#1d3557;background:#fff7e0;border:1px solid #e0c070;border-radius:6px;padding:6px 10px;}");
    lblStart_->setVisible(false);
    btnReData_ = new QPushButton(QStringLiteral("恢复"), bk_);
    btnReData_->setObjectName("btnReData");
    btnBackData_ = new QPushButton(QStringLiteral("备份"), bk_);
    btnBackData_->setObjectName("btnBackData");
    for (auto* b : {btnReData_, btnBackData_}) {
        b->setCursor(Qt::PointingHandCursor);
        b->setFixedSize(64, 28);
        b->setStyleSheet(
            "QPushButton{background:white;color:#2f5d9a;border:1px solid #b9c8dc;border-radius:6px;}"
            "QPushButton:hover{background:#2f6fc4;color:white;border-color:#2f6fc4;}"
            "QPushButton:pressed{background:#255a9f;}");
    }
    connect(btnReData_, &QPushButton::clicked, this, &HomePage::restoreRequested);
    connect(btnBackData_, &QPushButton::clicked, this, &HomePage::backupRequested);
    hoverStatus(lblData_, QStringLiteral("正操作着的数据库路径"));
    hoverStatus(btnBackData_, QStringLiteral("把你正用着的数据备份成一个文件保存起来。"));
    hoverStatus(btnReData_, QStringLiteral("选择另一个备份文件覆盖掉你正用着的数据。"));

    connect(bk_, &HomeBk::entered, this, [this] { this->shell().setStatus({}); });
}

void HomePage::hoverStatus(QWidget* w, const QString& text)
{
    w->setProperty("tavrinHoverStatus", text);
    w->installEventFilter(this);
}

bool HomePage::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::Enter) {
        QVariant v = o->property("tavrinHoverStatus");
        if (v.isValid())
            shell().setStatus(v.toString());
    }
    return Page::eventFilter(o, e);
}

void HomePage::apply(const HomeState& h)
{
    for (int s = 1; s <= 6; ++s)
        imgMain(s)->setEnabled(h.stepEnabled[static_cast<std::size_t>(s)]);
    for (int s : {1, 2, 3, 4, 6})
        imgDel(s)->setVisible(h.clearShown[static_cast<std::size_t>(s)]);
    lblNoPai_->setVisible(h.noPaiShown);
    lblStart_->setVisible(!h.hasBan);
    for (int k = 1; k <= 5; ++k)
        arrows_[static_cast<std::size_t>(k)]->setActive(h.stepEnabled[static_cast<std::size_t>(k + 1)]);
    lblSchool_->setText(QString::fromStdString(h.xiaoName));
    relayout();
}

void HomePage::setDataPath(const QString& path)
{
    lblData_->setText(path);
    lblData_->setToolTip(path);
    relayout();
}

void HomePage::setUserLabel(const QString& text)
{
    lblUser_->setText(text);
    relayout();
}

void HomePage::relayout()
{
    const int W = bk_->width(), H = bk_->height();
    const HomeLayout l = homeLayout(W, H);
    for (int s = 1; s <= 6; ++s)
        imgMain(s)->move(l.step[static_cast<std::size_t>(s)].topLeft());
    for (int s : {1, 2, 3, 4, 6}) {
        imgDel(s)->move(l.del[static_cast<std::size_t>(s)]);
        imgDel(s)->raise();
    }
    for (int k = 1; k <= 5; ++k)
        arrows_[static_cast<std::size_t>(k)]->place(l.arrowFrom[static_cast<std::size_t>(k)],
                                                    l.arrowTo[static_cast<std::size_t>(k)]);
    lblNoPai_->adjustSize();
    lblNoPai_->move(l.noPai);
    lblNoPai_->raise();

    lblUser_->adjustSize();
    const int userRight = W - 24 - imgUserSel_->width() - 4;
    lblUser_->move(userRight - lblUser_->width(), (kBandH - lblUser_->height()) / 2);
    imgUserSel_->move(userRight + 4, (kBandH - imgUserSel_->height()) / 2 + 1);
    // The school name gives way to the user label rather than running under it. The bound
    // is set before the name is sized: a bound left from a layout before the window had its
    // width (zero) would otherwise keep the name hidden until the next layout.
    lblSchool_->setMaximumWidth(std::max(0, lblUser_->x() - 24 - 24));
    lblSchool_->adjustSize();
    lblSchool_->move(24, (kBandH - lblSchool_->height()) / 2);

    const int rowY = H - 36;
    btnBackData_->move(W - 24 - btnBackData_->width(), rowY - 2);
    btnReData_->move(btnBackData_->x() - 10 - btnReData_->width(), rowY - 2);
    lblDataCaption_->adjustSize();
    lblDataCaption_->move(24, rowY + (24 - lblDataCaption_->height()) / 2);
    const int dataLeft = lblDataCaption_->x() + lblDataCaption_->width();
    lblData_->adjustSize();
    lblData_->setFixedWidth(std::max(0, std::min(lblData_->sizeHint().width(), btnReData_->x() - 16 - dataLeft)));
    lblData_->move(dataLeft, rowY + (24 - lblData_->height()) / 2);
    lblStart_->setFixedWidth(std::max(0, std::min(W - 48, 720)));
    lblStart_->adjustSize();
    // Above the steps, where it covers none of them at any window size.
    lblStart_->move(24, kBandH + 12);
}

}  // namespace tavrin::app::ui
