# The scheduling page and its dialogs.
list(APPEND TAVRIN_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/logic.h
  ${CMAKE_CURRENT_LIST_DIR}/paiwidgets.h
  ${CMAKE_CURRENT_LIST_DIR}/paiwidgets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmpaiopt.h
  ${CMAKE_CURRENT_LIST_DIR}/frmpaiopt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmpaiend.h
  ${CMAKE_CURRENT_LIST_DIR}/frmpaiend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/paipage.h
  ${CMAKE_CURRENT_LIST_DIR}/paipage.cpp)
list(APPEND TAVRIN_UI_LIBS tavrin_scheduler)
