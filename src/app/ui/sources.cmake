# The main window, its home page and the drawn pictures.
list(APPEND TAVRIN_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/art.h
  ${CMAKE_CURRENT_LIST_DIR}/art.cpp
  ${CMAKE_CURRENT_LIST_DIR}/homepage.h
  ${CMAKE_CURRENT_LIST_DIR}/homepage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form1.h
  ${CMAKE_CURRENT_LIST_DIR}/form1.cpp)
