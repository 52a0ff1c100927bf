# Installs the build tree BUILD_DIR into a scratch prefix and checks what landed there:
# the program (which tells its version), the icons, the udev rule, and a desktop entry and
# metainfo that validate.
set(prefix ${BUILD_DIR}/install-check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(expected bin/orvilcast
  share/applications/${APP_ID}.desktop
  share/metainfo/${APP_ID}.metainfo.xml
  share/icons/hicolor/scalable/apps/orvilcast.svg
  lib/udev/rules.d/70-orvilcast-camera.rules)
foreach(size 16 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/orvilcast.png)
endforeach()
foreach(file ${expected})
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

file(READ ${prefix}/lib/udev/rules.d/70-orvilcast-camera.rules rule)
if(NOT rule MATCHES "ATTR\\{idVendor\\}==\"[0-9a-f][0-9a-f][0-9a-f][0-9a-f]\".*TAG\\+=\"uaccess\"")
  message(FATAL_ERROR "the udev rule does not give the seat's user the camera:\n${rule}")
endif()

foreach(check "${DESKTOP_FILE_VALIDATE};${prefix}/share/applications/${APP_ID}.desktop"
              "${APPSTREAMCLI};validate;--no-net;${prefix}/share/metainfo/${APP_ID}.metainfo.xml")
  execute_process(COMMAND ${check} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${check} failed:\n${out}")
  endif()
endforeach()

execute_process(COMMAND ${prefix}/bin/orvilcast --version RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0 OR NOT out STREQUAL "Orvilcast ${VERSION}\n")
  message(FATAL_ERROR "orvilcast --version answered ${status}:\n${out}")
endif()
