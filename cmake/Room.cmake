# A room of the program: its Qt-free logic as kestrune_NAME, and its views
# for each toolkit the build makes as kestrune_NAME_qt and kestrune_NAME_win32.
# The logic's arithmetic is checked for narrowing; the views' pixels are not.
#   kestrune_room(NAME LOGIC files... [QT files...] [WIN32 files...])
function(kestrune_room name)
  cmake_parse_arguments(PARSE_ARGV 1 ROOM "" "" "LOGIC;QT;WIN32")
  add_library(kestrune_${name} STATIC ${ROOM_LOGIC})
  target_include_directories(kestrune_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(kestrune_${name} PUBLIC kestrune_platform PRIVATE kestrune_narrowing)
  foreach(toolkit IN ITEMS qt win32)
    string(TOUPPER ${toolkit} upper)
    if(KESTRUNE_${upper} AND ROOM_${upper})
      add_library(kestrune_${name}_${toolkit} STATIC ${ROOM_${upper}})
      target_link_libraries(kestrune_${name}_${toolkit} PUBLIC kestrune_${name} kestrune_platform_${toolkit}
                            PRIVATE kestrune_warnings)
    endif()
  endforeach()
endfunction()
