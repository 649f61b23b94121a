// The road of one spectrum walked without a user, for pictures of every page with real content:
// "ostrel --screenshots DIR [--height H] FILE".
#pragma once

#include <QString>
#include <memory>

namespace ostrel {

class TForm1;
class UiSeam;

// Messages go to standard error instead of modal boxes; dialogs are cancelled.
std::unique_ptr<UiSeam> MakeStderrSeam();

// The preliminary processing (then the picture of "Настройка" with its zone list), the last pass
// with the height given (or the suggested one), a calibration curve from the peaks that lie near
// reference ions, one peak processed on "Отдельный пик", and the pictures of the other pages,
// with the mark of a measured peak shown on "Теория CH"; then the masses recalculated with the
// curve and the road again for the picture of "Состав", the tallest peak chosen. One PNG per page
// into the folder.
void WalkTheRoad(TForm1& window, const QString& height, const QString& folder);

}  // namespace ostrel
