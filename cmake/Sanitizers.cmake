# AddressSanitizer + UndefinedBehaviorSanitizer for the whole tree, the engine
# modules included (they are loaded into sanitized processes).
if(VORLAN_SANITIZE)
  set(VORLAN_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  add_compile_options(${VORLAN_SANITIZER_FLAGS})
  add_link_options(${VORLAN_SANITIZER_FLAGS})
endif()
