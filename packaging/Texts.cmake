# The texts of quran-json 3.1.2 that Lumaril ships: English (data/quran.txt, the default) and
# the ten others (data/CODE/quran.txt), all made by tools/setup. Each text's name in its own
# language and script names its menu entry and shortcut; its English name goes into package
# descriptions. The Debian fonts are those that draw the text whole.
set(LUMARIL_TEXTS en ar bn es fr id ru sv tr ur zh)

set(LUMARIL_TEXT_en_NATIVE "English")
set(LUMARIL_TEXT_en_ENGLISH "English")
set(LUMARIL_TEXT_ar_NATIVE "العربية")
set(LUMARIL_TEXT_ar_ENGLISH "Arabic")
set(LUMARIL_TEXT_bn_NATIVE "বাংলা")
set(LUMARIL_TEXT_bn_ENGLISH "Bengali")
set(LUMARIL_TEXT_es_NATIVE "Español")
set(LUMARIL_TEXT_es_ENGLISH "Spanish")
set(LUMARIL_TEXT_fr_NATIVE "Français")
set(LUMARIL_TEXT_fr_ENGLISH "French")
set(LUMARIL_TEXT_id_NATIVE "Bahasa Indonesia")
set(LUMARIL_TEXT_id_ENGLISH "Indonesian")
set(LUMARIL_TEXT_ru_NATIVE "Русский")
set(LUMARIL_TEXT_ru_ENGLISH "Russian")
set(LUMARIL_TEXT_sv_NATIVE "Svenska")
set(LUMARIL_TEXT_sv_ENGLISH "Swedish")
set(LUMARIL_TEXT_tr_NATIVE "Türkçe")
set(LUMARIL_TEXT_tr_ENGLISH "Turkish")
set(LUMARIL_TEXT_ur_NATIVE "اردو")
set(LUMARIL_TEXT_ur_ENGLISH "Urdu")
set(LUMARIL_TEXT_zh_NATIVE "中文")
set(LUMARIL_TEXT_zh_ENGLISH "Chinese")

# The folder of a text's verse file in the source tree: English at the top of data/.
function(lumaril_text_source_file code out)
    if(code STREQUAL "en")
        set(${out} ${PROJECT_SOURCE_DIR}/data/quran.txt PARENT_SCOPE)
    else()
        set(${out} ${PROJECT_SOURCE_DIR}/data/${code}/quran.txt PARENT_SCOPE)
    endif()
endfunction()

# The folder a text is installed in, under the data folder: English at the top, so that
# `cd /usr/share/lumaril && lumaril` reads it, and each other text in a folder of its own.
function(lumaril_text_install_dir code out)
    if(code STREQUAL "en")
        set(${out} lumaril PARENT_SCOPE)
    else()
        set(${out} lumaril/${code} PARENT_SCOPE)
    endif()
endfunction()

# The Debian font packages a text needs besides fonts-liberation, which the program itself
# depends on. The Indonesian text writes Arabic names with Latin letters with a dot below,
# which Liberation Sans lacks. The Bengali text holds a few stray characters of other
# scripts, one of them Chinese: a small fallback font draws it, not the whole CJK set.
set(LUMARIL_TEXT_ar_DEBIAN_FONTS fonts-hosny-amiri)
set(LUMARIL_TEXT_bn_DEBIAN_FONTS fonts-noto-core fonts-droid-fallback)
set(LUMARIL_TEXT_id_DEBIAN_FONTS fonts-dejavu-core)
set(LUMARIL_TEXT_ur_DEBIAN_FONTS fonts-noto-core)
set(LUMARIL_TEXT_zh_DEBIAN_FONTS fonts-noto-cjk)

# A menu entry's comment in the text's own language, where there is one, with the locale
# it is for.
set(LUMARIL_TEXT_ar_COMMENT "ar" "اقرأ القرآن الكريم وابحث فيه")
set(LUMARIL_TEXT_es_COMMENT "es" "Leer y buscar en una traducción al español del Corán")
set(LUMARIL_TEXT_fr_COMMENT "fr" "Lire et rechercher dans une traduction française du Coran")
set(LUMARIL_TEXT_ru_COMMENT "ru" "Чтение и поиск в русском переводе Корана")
set(LUMARIL_TEXT_sv_COMMENT "sv" "Läs och sök i en svensk översättning av Koranen")
set(LUMARIL_TEXT_zh_COMMENT "zh_CN" "阅读和搜索《古兰经》中文译本")

# Where each text comes from, for the package descriptions (the verse files say the same).
set(LUMARIL_TEXT_ar_SOURCE "the Uthmani text of The Noble Qur'an Encyclopedia")
set(LUMARIL_TEXT_bn_SOURCE "translated by Muhiuddin Khan")
set(LUMARIL_TEXT_es_SOURCE "translated by Muhammad Isa García")
set(LUMARIL_TEXT_fr_SOURCE "translated by Muhammad Hamidullah")
set(LUMARIL_TEXT_id_SOURCE "translated by the Indonesian Islamic Affairs Ministry")
set(LUMARIL_TEXT_ru_SOURCE "translated by Elmir Kuliev")
set(LUMARIL_TEXT_sv_SOURCE "translated by Knut Bernström")
set(LUMARIL_TEXT_tr_SOURCE "translated by the Turkish Directorate of Religious Affairs")
set(LUMARIL_TEXT_ur_SOURCE "translated by Abul A'la Maududi")
set(LUMARIL_TEXT_zh_SOURCE "translated by Muhammad Makin")
