# Login and user dialogs.
list(APPEND TAVRIN_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/frmlogin.h
  ${CMAKE_CURRENT_LIST_DIR}/frmlogin.cpp)
