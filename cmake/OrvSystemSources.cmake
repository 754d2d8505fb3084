# The sources of one service in `dir`: every dir/*.cpp, where on Windows dir/win/X.cpp
# takes the place of dir/X.cpp (the POSIX implementation of the same service).
function(orv_system_sources out dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(WIN32)
    file(GLOB windows_sources CONFIGURE_DEPENDS ${dir}/win/*.cpp)
    foreach(s ${windows_sources})
      get_filename_component(name ${s} NAME)
      list(REMOVE_ITEM sources ${dir}/${name})
    endforeach()
    list(APPEND sources ${windows_sources})
  endif()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
