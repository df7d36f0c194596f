# The tree's folders and layers.
#
# parrotel_add_folders(FOLDER ...): adds each folder of the tree. A folder
# that is missing, or has no CMakeLists.txt, stops the configuration: a tree
# that lost a part must never build a smaller program or fewer tests.
#
# parrotel_check_layers(TARGET ...): the targets (the effects and the voice
# code) and everything they link must reach no Qt, ALSA, PulseAudio or FFmpeg,
# neither by linking nor by including their headers; otherwise the
# configuration stops and names the offending link or file.

function(parrotel_add_folders)
  foreach(folder IN LISTS ARGN)
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${folder}/CMakeLists.txt)
      message(FATAL_ERROR "The folder ${folder} or its CMakeLists.txt is missing: the source tree is incomplete.")
    endif()
    add_subdirectory(${PROJECT_SOURCE_DIR}/${folder} ${PROJECT_BINARY_DIR}/${folder})
  endforeach()
endfunction()

set(PARROTEL_FORBIDDEN_LINKS "^(Qt[0-9]*::|ALSA::|PkgConfig::|asound$|pulse|av(codec|format|util)|sw(resample|scale))")
set(PARROTEL_FORBIDDEN_INCLUDES "#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+[>/\"]|qt|alsa/|pulse/|libav|libsw)")

# The project's targets that `target` links, directly or through others.
function(_parrotel_linked_targets target out)
  set(seen ${target})
  set(pending ${target})
  set(foreign "")
  while(pending)
    list(POP_FRONT pending current)
    set(links "")
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(value ${current} ${property})
      if(value)
        list(APPEND links ${value})
      endif()
    endforeach()
    foreach(link IN LISTS links)
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
      if(link MATCHES "${PARROTEL_FORBIDDEN_LINKS}")
        list(APPEND foreign "${current} -> ${link}")
      elseif(TARGET ${link} AND NOT link IN_LIST seen)
        get_target_property(imported ${link} IMPORTED)
        if(NOT imported)
          list(APPEND seen ${link})
          list(APPEND pending ${link})
        endif()
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
  set(${out}_FOREIGN ${foreign} PARENT_SCOPE)
endfunction()

function(parrotel_check_layers)
  foreach(top IN LISTS ARGN)
    _parrotel_linked_targets(${top} targets)
    if(targets_FOREIGN)
      list(JOIN targets_FOREIGN ", " links)
      message(FATAL_ERROR "${top} must not reach Qt, ALSA, PulseAudio or FFmpeg, but links: ${links}")
    endif()
    foreach(target IN LISTS targets)
      get_target_property(sources ${target} SOURCES)
      get_target_property(folder ${target} SOURCE_DIR)
      foreach(source IN LISTS sources)
        if(NOT IS_ABSOLUTE ${source})
          set(source ${folder}/${source})
        endif()
        if(NOT EXISTS ${source})
          continue()
        endif()
        file(STRINGS ${source} includes REGEX "${PARROTEL_FORBIDDEN_INCLUDES}")
        if(includes)
          message(FATAL_ERROR "${top} must not reach Qt, ALSA, PulseAudio or FFmpeg headers, "
                              "but ${source} (${target}) has: ${includes}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()
