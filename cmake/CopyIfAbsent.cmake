# Copies every file under SRC to DST, keeping sub-folders, unless it already exists there.
file(GLOB_RECURSE _files RELATIVE ${SRC} ${SRC}/*)
foreach(_f IN LISTS _files)
    if(NOT EXISTS ${DST}/${_f})
        get_filename_component(_dir ${DST}/${_f} DIRECTORY)
        file(MAKE_DIRECTORY ${_dir})
        file(COPY ${SRC}/${_f} DESTINATION ${_dir})
    endif()
endforeach()
