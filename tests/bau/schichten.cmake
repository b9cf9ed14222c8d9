# Fails when a lower layer links to or includes from a higher one. The layers
# from the bottom: core, ui/common, ui/info, ui/main (the main window opens
# the info windows, never the other way round), app. core includes no Qt.
#   cmake -DQUELLE=<source tree> -DVERWEISE=<links written at configure> -P schichten.cmake
set(schichten core ui/common ui/info ui/main app)
set(fehler "")

# Each line: "<folder of the target> <target> <folder of the linked one> <linked one>".
file(STRINGS "${VERWEISE}" zeilen)
foreach(zeile IN LISTS zeilen)
  string(REPLACE " " ";" feld "${zeile}")
  list(GET feld 0 von)
  list(GET feld 1 ziel)
  list(GET feld 2 nach)
  list(GET feld 3 gelinkt)
  list(FIND schichten "${von}" unten)
  list(FIND schichten "${nach}" oben)
  if(oben GREATER unten)
    list(APPEND fehler "${ziel} (${von}) linkt ${gelinkt} (${nach})")
  endif()
  if(von STREQUAL "core" AND gelinkt MATCHES "^Qt")
    list(APPEND fehler "${ziel} (core) linkt ${gelinkt}")
  endif()
endforeach()

# Where each header of the layers lives.
foreach(schicht IN LISTS schichten)
  file(GLOB_RECURSE koepfe RELATIVE "${QUELLE}/${schicht}" "${QUELLE}/${schicht}/*.h")
  foreach(kopf IN LISTS koepfe)
    set("ort_${kopf}" "${schicht}")
  endforeach()
endforeach()

foreach(schicht IN LISTS schichten)
  list(FIND schichten "${schicht}" unten)
  file(GLOB_RECURSE dateien "${QUELLE}/${schicht}/*.h" "${QUELLE}/${schicht}/*.cpp")
  foreach(datei IN LISTS dateien)
    file(STRINGS "${datei}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(include IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">].*" "\\1" kopf
                           "${include}")
      file(RELATIVE_PATH wo "${QUELLE}" "${datei}")
      if(schicht STREQUAL "core" AND kopf MATCHES "^Q")
        list(APPEND fehler "${wo} (core) bindet ${kopf} ein")
      elseif(DEFINED "ort_${kopf}")
        list(FIND schichten "${ort_${kopf}}" oben)
        if(oben GREATER unten)
          list(APPEND fehler "${wo} (${schicht}) bindet ${kopf} (${ort_${kopf}}) ein")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(fehler)
  list(JOIN fehler "\n  " liste)
  message(FATAL_ERROR "Verweise nach oben:\n  ${liste}")
endif()
