#include <doctest/doctest.h>

#include "app/pointer_binding.h"

using namespace pelomar;

TEST_CASE("a move reads the hover options, a press the click options, a release none and no keys") {
    ContextMenu menu;
    for (const OptionInfo& o : optionTable()) menu.setOption(o.option, false);
    menu.setOption(Option::HoverSoundCtrlQuiet, true);
    menu.setOption(Option::HoverCard, true);
    menu.setOption(Option::ClickCard, true);
    menu.setOption(Option::ClickSoundCtrlQuiet, true);

    const PointerBinding hover = bindPointerEvent(PointerEventKind::Move, 1, menu);
    CHECK(hover.keys == 1);
    CHECK((!hover.options.soundOn && hover.options.cardOn && hover.options.ignoreSoundWithCtrl &&
           !hover.options.ignoreCardWithCtrl));
    const PointerBinding click = bindPointerEvent(PointerEventKind::Press, 3, menu);
    CHECK(click.keys == 3);
    CHECK((!click.options.soundOn && click.options.cardOn && click.options.ignoreSoundWithCtrl &&
           !click.options.ignoreCardWithCtrl));

    // The marks are read at the moment of the event.
    menu.setOption(Option::HoverSound, true);
    CHECK(bindPointerEvent(PointerEventKind::Move, 0, menu).options.soundOn);
    CHECK_FALSE(bindPointerEvent(PointerEventKind::Press, 0, menu).options.soundOn);

    for (const OptionInfo& o : optionTable()) menu.setOption(o.option, true);
    const PointerBinding release = bindPointerEvent(PointerEventKind::Release, 7, menu);
    CHECK(release.keys == 0);
    CHECK((!release.options.soundOn && !release.options.cardOn && !release.options.ignoreSoundWithCtrl &&
           !release.options.ignoreCardWithCtrl));
}
