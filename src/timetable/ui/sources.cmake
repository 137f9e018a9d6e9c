# The timetable step's class and teacher pages, the week grid widget and the cell pictures.
list(APPEND TAVRIN_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/kblogic.h
  ${CMAKE_CURRENT_LIST_DIR}/kbart.h
  ${CMAKE_CURRENT_LIST_DIR}/kbart.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kbgrid.h
  ${CMAKE_CURRENT_LIST_DIR}/kbgrid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kbholding.h
  ${CMAKE_CURRENT_LIST_DIR}/kbholding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timetablepage.h
  ${CMAKE_CURRENT_LIST_DIR}/timetablepage.cpp)
list(APPEND TAVRIN_UI_LIBS tavrin_timetable)
