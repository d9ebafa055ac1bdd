# One folder of src/ is one library. Two kinds, and the kind is the folder's
# layer:
#
#   qm_core_library(<name> <sources...>)  the rules, file formats, models and the
#       network: Qt Core only. The headless batch command and the display-less
#       tests are built from these alone.
#   qm_ui_library(<name> <sources...>)    windows and widgets (the ui/ folders
#       and the browser): may use everything. qm_ui_headers() for a folder
#       of headers alone.
#
# Both compile against the include root src/ (includes are written
# "folder/File.h") and the generated headers. A core library gets only Qt Core's
# include paths, so a widget header included by a core file fails to compile;
# qm_check_layers() then refuses, at configure time, any core library that
# links a window library or a Qt module above Core.

set(QM_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/../src)
cmake_path(NORMAL_PATH QM_SOURCE_ROOT)

function(qm_core_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${QM_SOURCE_ROOT} ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} PUBLIC Qt6::Core)
    set_property(GLOBAL APPEND PROPERTY QM_CORE_LIBRARIES ${name})
endfunction()

function(qm_ui_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${QM_SOURCE_ROOT} ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} PUBLIC Qt6::Widgets)
    set_property(GLOBAL APPEND PROPERTY QM_UI_LIBRARIES ${name})
endfunction()

# A folder of the window layer that holds headers only.
function(qm_ui_headers name)
    add_library(${name} INTERFACE ${ARGN})
    target_include_directories(${name} INTERFACE ${QM_SOURCE_ROOT})
    target_link_libraries(${name} INTERFACE Qt6::Gui)
    set_property(GLOBAL APPEND PROPERTY QM_UI_LIBRARIES ${name})
endfunction()

# Everything a target links, directly or through the libraries it links.
function(_qm_collect_links target out)
    set(_seen ${${out}})
    foreach(prop LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        get_target_property(_libs ${target} ${prop})
        if(NOT _libs)
            continue()
        endif()
        foreach(_lib IN LISTS _libs)
            # A static library lists its private links as $<LINK_ONLY:...>.
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" _lib "${_lib}")
            if(_lib MATCHES "^\\$<" OR _lib IN_LIST _seen)
                continue()
            endif()
            list(APPEND _seen ${_lib})
            if(TARGET ${_lib})
                _qm_collect_links(${_lib} _seen)
            endif()
        endforeach()
    endforeach()
    set(${out} ${_seen} PARENT_SCOPE)
endfunction()

# Called once, after every folder is added.
function(qm_check_layers)
    get_property(_core GLOBAL PROPERTY QM_CORE_LIBRARIES)
    get_property(_ui GLOBAL PROPERTY QM_UI_LIBRARIES)
    foreach(_target IN LISTS _core)
        set(_links "")
        _qm_collect_links(${_target} _links)
        foreach(_lib IN LISTS _links)
            if(_lib MATCHES "Qt6?::(Gui|Widgets|WebEngine|OpenGL|Quick)" OR _lib IN_LIST _ui)
                message(FATAL_ERROR "The core library ${_target} must not link ${_lib}: "
                                    "move the code that needs it to a ui/ folder")
            endif()
        endforeach()
    endforeach()
endfunction()
