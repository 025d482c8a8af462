// SPDX-License-Identifier: MIT
#include "Form1.h"

#include "NumberText.h"
#include "ThumbnailSizeRule.h"
#include "Widgets.h"

namespace quillet {
namespace {

const char* const kChangeNote = "変更は次回起動時から有効になります。";

} // namespace

Form1::Form1(ThumbnailSizeHost& mainWindow, SettingsStore settings)
    : Label1("横"), Label2("×縦"), Label3("ﾋﾟｸｾﾙ"), Label4(kChangeNote), Command1("OK"),
      Command2("ｷｬﾝｾﾙ"), Command3("ﾌﾟﾚﾋﾞｭｰ"), Command4("初期値に戻す"),
      Image1(Gdk::Pixbuf::create_from_resource("/org/quillet/pictures/sample-page.png", 120, 120,
                                               false)),
      mainWindow_(&mainWindow), settings_(std::move(settings)) {
    makeToolWindow(*this, "履歴ｻﾑﾈｲﾙｻｲｽﾞ変更", 4905, 6480);
    add(fixed_);

    // The frame first, so that the preview button standing on its top edge is drawn above it.
    placements_.put(fixed_, Frame1, 120, 720, 4695, 4935);
    Frame1.add(Frame1Area);
    placedImage1 = &placements_.put(Frame1Area, Image1, 120, 360, 1605, 1200);
    placements_.put(fixed_, Label1, 120, 280, 255, 255);
    placements_.put(fixed_, Text1, 360, 240, 735, 270);
    placements_.put(fixed_, Label2, 1200, 280, 495, 255);
    placements_.put(fixed_, Text2, 1680, 240, 735, 270);
    placements_.put(fixed_, Label3, 2520, 280, 735, 255);
    placements_.put(fixed_, Command4, 3600, 200, 1215, 375);
    placements_.put(fixed_, Command3, 240, 720, 1215, 255);
    placements_.put(fixed_, Command1, 120, 5760, 1215, 375);
    placements_.put(fixed_, Command2, 1440, 5760, 1215, 375);
    placements_.put(fixed_, Label4, 120, 6240, 4575, 255);

    for (Gtk::Entry* field : {&Text1, &Text2}) {
        field->set_width_chars(1);
        styleWidget(*field, kCompactEntry);
    }
    for (Gtk::Button* button : {&Command1, &Command2, &Command3, &Command4})
        styleWidget(*button, kCompactButton);
    for (Gtk::Label* label : {&Label1, &Label2, &Label3, &Label4})
        label->set_xalign(0);
    setAccessible(Text1, "横", Atk::ROLE_ENTRY);
    setAccessible(Text2, "×縦", Atk::ROLE_ENTRY);

    // Tab order: OK, ｷｬﾝｾﾙ, ﾌﾟﾚﾋﾞｭｰ, 初期値に戻す, then the two fields.
    fixed_.set_focus_chain({&Command1, &Command2, &Command3, &Command4, &Text1, &Text2});

    Text1.signal_focus_out_event().connect([this](GdkEventFocus*) {
        Text1_LostFocus();
        return false;
    });
    Text2.signal_focus_out_event().connect([this](GdkEventFocus*) {
        Text2_LostFocus();
        return false;
    });
    Command1.signal_clicked().connect([this] { Command1_Click(); });
    Command2.signal_clicked().connect([this] { Command2_Click(); });
    Command3.signal_clicked().connect([this] { Command3_Click(); });
    Command4.signal_clicked().connect([this] { Command4_Click(); });
    show_all_children();
}

void Form1::Form_Load() {
    Text1.set_text(writeNumber(mainWindow_->thumbnailWidth(), Precision::Double));
    Text2.set_text(writeNumber(mainWindow_->thumbnailHeight(), Precision::Double));
    placedImage1->setPixelSize(mainWindow_->thumbnailWidth(), mainWindow_->thumbnailHeight());
}

void Form1::Text1_LostFocus() {
    Text1.set_text(correctedThumbnailSide(Text1.get_text()));
}
void Form1::Text2_LostFocus() {
    Text2.set_text(correctedThumbnailSide(Text2.get_text()));
}

void Form1::Command1_Click() {
    const double width = readNumber(Text1.get_text().raw());
    const double height = readNumber(Text2.get_text().raw());
    if (mainWindow_) {
        mainWindow_->setThumbnailSize(width, height);
    }
    settings_.write({{kThumbnailWidth, writeNumber(width, Precision::Double)},
                     {kThumbnailHeight, writeNumber(height, Precision::Double)}});
    showMessageBox(this, kChangeNote);
    Unload();
}

void Form1::Command2_Click() {
    Unload();
}

void Form1::Command3_Click() {
    placedImage1->setPixelSize(readNumber(Text1.get_text().raw()),
                               readNumber(Text2.get_text().raw()));
}

void Form1::Command4_Click() {
    Text1.set_text("120");
    Text2.set_text("120");
}

} // namespace quillet
