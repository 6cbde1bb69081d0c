# cmake -DPANDOC=... -DPAGE=NAME -DSOURCE=NAME.1.md -DMANUAL=docs/wlk.md -DVERSION=... -DDATE=...
#       -DOUTPUT=NAME.1.gz -P ManPage.cmake
# Makes a compressed manual page from its Markdown. The page of wlk takes its description from
# the tool's manual, whose title gives way to the section heading, so the two never differ.
file(READ ${SOURCE} text)
if(PAGE STREQUAL "wlk")
  file(READ ${MANUAL} manual)
  string(REGEX REPLACE "^# [^\n]*\n" "# DESCRIPTION\n" manual "${manual}")
  string(REPLACE "<!-- docs/wlk.md follows here as the DESCRIPTION -->" "${manual}" text "${text}")
endif()
get_filename_component(directory ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${directory})
set(markdown ${directory}/${PAGE}.1.md)
set(roff ${directory}/${PAGE}.1)
file(WRITE ${markdown} "${text}")
string(TOUPPER ${PAGE} title)
execute_process(
    COMMAND ${PANDOC} --standalone --from markdown-smart --to man --metadata title=${title}
            --metadata section=1 --metadata header=Veltrano "--metadata=footer:Veltrano ${VERSION}"
            "--metadata=date:${DATE}" --output ${roff} ${markdown}
    RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "pandoc could not make ${roff}")
endif()
execute_process(COMMAND gzip -9nf ${roff} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip could not compress ${roff}")
endif()
