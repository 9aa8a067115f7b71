# The files of ui/ that need no window system (twips, the skin, each window's table, the run-state rules,
# the about box's texts, scroller and tune): ui/CMakeLists.txt builds them natively too, and
# cmake/check_layers.cmake holds them to the portable rules.
set(PELL_UI_PORTABLE twips skin main_window_layout language_picker_layout message_box_layout run_state pump_pacer
    about_layout about_tune)
