# Installs the build into a fresh prefix and checks what a desktop needs to
# find and start the application: the program, the credential helper with a
# manifest that names the installed program, the desktop entry (valid for
# desktop-file-validate) and the scalable icon.
#   cmake -DBUILD=<build folder> -DPREFIX=<scratch prefix> -P install_check.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()
foreach(file
    bin/sorvalind
    bin/sorvalind-credential-helper
    bin/sorvalind-credential-helper.trust
    share/applications/sorvalind.desktop
    share/icons/hicolor/scalable/apps/sorvalind.svg)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(READ ${PREFIX}/bin/sorvalind-credential-helper.trust manifest)
file(SHA256 ${PREFIX}/bin/sorvalind program_digest)
string(FIND "${manifest}" "${program_digest}" found)
if(found EQUAL -1)
  message(FATAL_ERROR "the installed manifest does not name the installed program:\n${manifest}")
endif()
file(READ ${PREFIX}/share/applications/sorvalind.desktop entry)
foreach(line "Exec=sorvalind" "Icon=sorvalind" "Type=Application")
  string(FIND "${entry}" "${line}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()
find_program(VALIDATE desktop-file-validate REQUIRED)
execute_process(COMMAND ${VALIDATE} ${PREFIX}/share/applications/sorvalind.desktop
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate:\n${output}")
endif()
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "installed and validated")
