// "Цвета ..." in the desktop program: the colour map window rebuilds
// "Colors.opt" from the open tables, picks a group's colour on the field and
// the scale, asks before closing with changes, and after "Сохранить" every
// table window and the lights show the scheme; the distinct scheme is one
// click away.
//
// With REPORT_GUI_SHOTS set (under a virtual X server), the window, a table
// in both schemes and the structure window's lights are saved there.
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "core/app/startup.h"
#include "core/foundation/codec.h"
#include "core/report/report_state.h"
#include "core/tables/color_picking.h"
#include "gui/calc/color_map_window.h"
#include "gui/foundation/images.h"
#include "gui/tables/main_form.h"
#include "gui/tables/table_window.h"
#include "support/gui_program.h"
#include "support/temp_folder.h"

using namespace rpt;
using testing::U;

namespace {

void Shot(QWidget* w, const char* name) {
  if (!qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) return;
  QApplication::processEvents();
  QVERIFY(w->grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/" + name));
}

int Distance(TColor a, TColor b) {
  int d = 0;
  for (int shift : {0, 8, 16}) d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  return d;
}

}  // namespace

class ColorMapTest : public QObject {
  Q_OBJECT

  testing::TempFolder folder_;
  testing::ScriptedInteraction ui_;
  std::unique_ptr<gui::TProgram> program_;

  TReportState& State() { return program_->session().state(); }

  // Runs "Цвета ..." and hands the window, once it is shown, to `act`; the
  // window's result.
  int RunColors(const std::function<void(gui::TColorMap&)>& act) {
    int result = -1;
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<gui::TColorMap*>(QApplication::activeModalWidget());
      if (!d) return;
      seen = true;
      connect(d, &QDialog::finished, [&result](int r) { result = r; });
      act(*d);
      if (d->isVisible()) {  // a failed step must not hang the test
        ui_.answers = {kNo};
        d->reject();
      }
    });
    program_->structure().Command(U("Colors"))->trigger();
    if (!seen) qWarning("the colour map window did not open");
    return result;
  }

  // The table window of "Fin.ini" shown in the frame.
  gui::TF_Table* ShowFin() {
    gui::TF_StructRep& w = program_->structure();
    w.Tree()->setCurrentItem(testing::NodeOfFile(w.Tree(), "Fin.ini"));
    w.Command(U("Edit"))->trigger();
    for (gui::TF_Table* t : program_->frame().Windows())
      if (t->isVisible()) return t;
    return nullptr;
  }

  void BackToStructure() {
    program_->frame().close();
    QApplication::processEvents();
  }

 private slots:
  void initTestCase() {
    QVERIFY(testing::InstallDemoReport(folder_.path()));
    program_ = testing::StartedProgram(folder_.path(), ui_, testing::UniqueLockName("colors"));
    QVERIFY(program_);
    QVERIFY(!State().tables().empty());
  }

  void theWindowRebuildsTheFileAndAsksBeforeClosingWithChanges() {
    const std::string path = State().ColorsFilePath();
    // A report without a scheme shows the colours the tables define.
    QVERIFY(!std::filesystem::exists(path));
    for (const TReportTable& t : State().tables()) QVERIFY(!t.table->background);
    Shot(&program_->structure(), "colors-structure-standard.png");
    if (ShowFin()) {
      Shot(&program_->frame(), "colors-table-standard.png");
      BackToStructure();
    }

    TColorScheme built;
    ui_.progress.clear();
    const int result = RunColors([&](gui::TColorMap& d) {
      QCOMPARE(d.windowTitle(), U("Цветовая карта"));
      built = ReadColorScheme(path);
      QVERIFY(built.pairs.size() >= 3);
      QCOMPARE(d.GroupCount(), int(built.pairs.size()));
      for (std::size_t k = 1; k < built.pairs.size(); ++k) QCOMPARE(built.pairs[k].user, built.pairs[k].def);
      QVERIFY(d.Group(1)->checked());
      QVERIFY(!d.pending());

      // A press on a swatch makes its group the edited one, the marker
      // and the scale on its colour.
      QTest::mousePress(d.Group(3)->userSwatch(), Qt::LeftButton);
      QCOMPARE(d.edited(), 3);
      for (int k = 1; k <= d.GroupCount(); ++k) QCOMPARE(d.Group(k)->checked(), k == 3);
      const QPoint m = d.Field()->marker();
      const TColor shown = ScaleColor(FieldColor(m.x(), m.y(), gui::TColorField::kWidth, gui::TColorField::kHeight),
                                      d.Scale()->step(), gui::TBrightnessScale::kSteps);
      QVERIFY(Distance(shown, built.pairs[2].user) <= 6);
      Shot(&d, "color-map.png");

      // Picking on the field and then the scale changes the edited group.
      QTest::mousePress(d.Field(), Qt::LeftButton, {}, QPoint(200, 40));
      const TColor field = FieldColor(200, 40, gui::TColorField::kWidth, gui::TColorField::kHeight);
      QCOMPARE(d.scheme().pairs[2].user, field);
      QVERIFY(d.pending());
      QTest::mousePress(d.Scale(), Qt::LeftButton, {}, QPoint(5, 4 + 40));
      QCOMPARE(d.scheme().pairs[2].user, ScaleColor(field, 40, gui::TBrightnessScale::kSteps));
      QCOMPARE(d.scheme().pairs[1].user, built.pairs[1].user);

      // "Выход": Cancel keeps the window, No closes it unsaved.
      ui_.messages.clear();
      ui_.answers = {kCancel};
      d.ExitButton()->click();
      QVERIFY(d.isVisible());
      QCOMPARE(ui_.MessageTexts(), std::vector<std::string>{Utf8ToCp1251("Сохранить изменения в настройках?")});
      QCOMPARE(ui_.messages[0].buttons, unsigned(kYes | kNo | kCancel));
      ui_.answers = {kNo};
      d.ExitButton()->click();
      QVERIFY(!d.isVisible());
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(!ui_.progress.empty());
    QCOMPARE(QString::fromStdString(Cp1251ToUtf8(ui_.progress.front().text)), U("Подготовка цветовой карты"));
    QVERIFY(ReadColorScheme(path) == built);
    for (const TReportTable& t : State().tables()) QVERIFY(!t.table->Modified());
  }

  void savingRecoloursEveryTableWindow() {
    TColorScheme before;
    const int result = RunColors([&](gui::TColorMap& d) {
      before = d.scheme();
      d.Edit(1);
      d.PickField(0, 0);  // the background white
      d.Edit(2);
      d.PickField(60, 80);
      ui_.answers = {kYes};  // closing with changes saves
      d.ExitButton()->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    const TColorScheme& s = State().colorScheme();
    QCOMPARE(s.pairs[0].user, clWhite);
    const TColor picked = FieldColor(60, 80, gui::TColorField::kWidth, gui::TColorField::kHeight);
    QCOMPARE(s.pairs[1].user, picked);
    bool recoloured = false;
    for (const TReportTable& t : State().tables()) {
      QCOMPARE(t.table->background, std::optional<TColor>(clWhite));
      QVERIFY(t.table->Modified());
      for (const auto& row : t.table->data.rows)
        for (const auto& c : row->cells)
          if (!c->label.transparent && c->definedColor == s.pairs[1].def) {
            QCOMPARE(c->label.color, picked);
            recoloured = true;
          }
    }
    QVERIFY(recoloured);
    // "Отменить" and "Сохранить" bring the defined colours back.
    QCOMPARE(RunColors([](gui::TColorMap& d) {
               d.DefaultsButton()->click();
               d.SaveButton()->click();
             }),
             int(QDialog::Accepted));
    QCOMPARE(State().colorScheme().pairs[1].user, State().colorScheme().pairs[1].def);
  }

  void theDistinctSchemeIsOneClickAway() {
    QVERIFY(gui::LightScheme() == SchemeKind::Standard);
    const int result = RunColors([](gui::TColorMap& d) {
      d.KindButton(SchemeKind::Distinct)->click();
      QVERIFY(d.pending());
      QVERIFY(d.KindButton(SchemeKind::Distinct)->isChecked());
      Shot(&d, "color-map-distinct.png");
      d.SaveButton()->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    const TColorScheme& s = State().colorScheme();
    QVERIFY(s.kind == SchemeKind::Distinct);
    QVERIFY(gui::LightScheme() == SchemeKind::Distinct);
    // The table windows find the scheme's other colours through their hooks.
    QCOMPARE(State().tables().front().table->hooks().SchemeColor(ColorRole::RemarkFrame),
             RoleColor(SchemeKind::Distinct, ColorRole::RemarkFrame));
    // Every cell colour among the first ten entries is shown in a colour of
    // its own brightness.
    std::vector<double> levels;
    for (std::size_t k = 1; k < s.pairs.size() && k < 10; ++k) levels.push_back(Brightness(s.pairs[k].user));
    std::sort(levels.begin(), levels.end());
    for (std::size_t i = 1; i < levels.size(); ++i) QVERIFY(levels[i] - levels[i - 1] > 0.05);
    Shot(&program_->structure(), "colors-structure-distinct.png");
    if (gui::TF_Table* fin = ShowFin()) {
      // The window's light in the scheme's blue for a table in norm.
      QCOMPARE(fin->table().status, std::uint8_t{1});
      const QColor light = fin->windowIcon().pixmap(16, 16).toImage().pixelColor(3, 8);
      QVERIFY(light.blue() > light.red() && light.blue() > light.green());
      Shot(&program_->frame(), "colors-table-distinct.png");
      BackToStructure();
    }
    // The next window shows the scheme chosen.
    RunColors([](gui::TColorMap& d) { QVERIFY(d.KindButton(SchemeKind::Distinct)->isChecked()); });
  }

  void cleanupTestCase() {
    // The report is left unsaved.
    State().DiscardChanges();
    program_.reset();
  }
};

QTEST_MAIN(ColorMapTest)
#include "test_color_map.moc"
