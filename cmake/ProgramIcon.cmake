# The program's icon in the sizes a desktop uses, drawn from resources/veltrano.svg at build
# time: compiled into the Qt engine (every window's title bar and the task bar show it) and
# installed in the hicolor theme beside the scalable original.
find_program(VELTRANO_RSVG_CONVERT rsvg-convert)
if(NOT VELTRANO_RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert draws the program's icon: install the package librsvg2-bin "
                      "(scripts/test.sh and scripts/start.sh install it)")
endif()
set(veltrano_icon_dir ${PROJECT_BINARY_DIR}/packaging/icons)
set(veltrano_icon_pngs)
foreach(size 16 32 48 64 128 256)
  set(png ${veltrano_icon_dir}/${size}x${size}/veltrano.png)
  add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${veltrano_icon_dir}/${size}x${size}
      COMMAND ${VELTRANO_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${PROJECT_SOURCE_DIR}/resources/veltrano.svg
      DEPENDS ${PROJECT_SOURCE_DIR}/resources/veltrano.svg
      COMMENT "Drawing the ${size}x${size} icon")
  list(APPEND veltrano_icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
# Compiled into the engine's library; the engine's code names the resource (Q_INIT_RESOURCE),
# so that the linker keeps it in every program.
set(veltrano_icon_qrc "<RCC><qresource prefix=\"/veltrano/icons\">\n")
foreach(size 16 32 48 64 128 256)
  string(APPEND veltrano_icon_qrc "<file>${size}x${size}/veltrano.png</file>\n")
endforeach()
string(APPEND veltrano_icon_qrc "</qresource></RCC>\n")
file(CONFIGURE OUTPUT ${veltrano_icon_dir}/veltrano_icon.qrc CONTENT "${veltrano_icon_qrc}")
qt_add_resources(veltrano_icon_sources ${veltrano_icon_dir}/veltrano_icon.qrc)
target_sources(veltrano_ui_qt PRIVATE ${veltrano_icon_sources})
