# Installs the build tree at BUILD_DIR into the empty folder PREFIX and checks
# what a Linux user gets: the four programs, the desktop entries and the icon
# at each hicolor size, each PNG of the size its folder names.
#   cmake -DBUILD_DIR=<build> -DPREFIX=<folder> -P CheckInstall.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(program tavro-tape tavro-tape-cli tavro-tape-encode tavro-tape-studio)
  if(NOT EXISTS ${PREFIX}/bin/${program} OR IS_DIRECTORY ${PREFIX}/bin/${program})
    message(FATAL_ERROR "bin/${program} is not installed")
  endif()
endforeach()

foreach(program tavro-tape tavro-tape-studio)
  set(entry ${PREFIX}/share/applications/${program}.desktop)
  if(NOT EXISTS ${entry})
    message(FATAL_ERROR "share/applications/${program}.desktop is not installed")
  endif()
  file(STRINGS ${entry} lines)
  foreach(expected "[Desktop Entry]" "Type=Application" "Icon=tavro-tape")
    if(NOT expected IN_LIST lines)
      message(FATAL_ERROR "the desktop entry ${program}.desktop lacks the line ${expected}")
    endif()
  endforeach()
  # The program, with or without the files it is given (%F).
  if(NOT "Exec=${program}" IN_LIST lines AND NOT "Exec=${program} %F" IN_LIST lines)
    message(FATAL_ERROR "the desktop entry ${program}.desktop does not start ${program}")
  endif()
endforeach()

foreach(size 16 32 48 64 128 256)
  set(icon ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/tavro-tape.png)
  if(NOT EXISTS ${icon})
    message(FATAL_ERROR "the ${size}x${size} icon is not installed")
  endif()
  # Width and height: big-endian words at offsets 16 and 20 of the PNG.
  file(READ ${icon} header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 0 16 signature)
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
    message(FATAL_ERROR "${icon} is not a ${size}x${size} PNG (${width}x${height})")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
