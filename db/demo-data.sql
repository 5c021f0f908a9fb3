/* A believable demo university for the Veltor testing database. Every value
   comes from a fixed linear congruential sequence, so the same count of
   results always gives the same database. The loader replaces @RESULTS@. */

INSERT INTO FAKULTET VALUES (1, 'Факультет комп''ютерних наук і кібернетики', 'ФКНК');
INSERT INTO FAKULTET VALUES (2, 'Механіко-математичний факультет', 'ММФ');
INSERT INTO FAKULTET VALUES (3, 'Фізичний факультет', 'ФФ');
INSERT INTO FAKULTET VALUES (4, 'Хімічний факультет', 'ХФ');
INSERT INTO FAKULTET VALUES (5, 'Економічний факультет', 'ЕФ');
INSERT INTO FAKULTET VALUES (6, 'Юридичний факультет', 'ЮФ');
INSERT INTO FAKULTET VALUES (7, 'Філологічний факультет', 'ФілФ');
INSERT INTO FAKULTET VALUES (8, 'Історичний факультет', 'ІФ');
INSERT INTO FAKULTET VALUES (9, 'Факультет психології', 'ФП');
INSERT INTO FAKULTET VALUES (10, 'Географічний факультет', 'ГФ');

INSERT INTO DISCIPLINA VALUES (1, 'Вища математика', 'Вища мат.');
INSERT INTO DISCIPLINA VALUES (2, 'Лінійна алгебра', 'Лін. алг.');
INSERT INTO DISCIPLINA VALUES (3, 'Математичний аналіз', 'Мат. ан.');
INSERT INTO DISCIPLINA VALUES (4, 'Диференціальні рівняння', 'Диф. рівн.');
INSERT INTO DISCIPLINA VALUES (5, 'Теорія ймовірностей', 'ТЙ');
INSERT INTO DISCIPLINA VALUES (6, 'Математична статистика', 'Мат. стат.');
INSERT INTO DISCIPLINA VALUES (7, 'Дискретна математика', 'Дискр. мат.');
INSERT INTO DISCIPLINA VALUES (8, 'Програмування', 'Прогр.');
INSERT INTO DISCIPLINA VALUES (9, 'Алгоритми і структури даних', 'АСД');
INSERT INTO DISCIPLINA VALUES (10, 'Бази даних', 'БД');
INSERT INTO DISCIPLINA VALUES (11, 'Операційні системи', 'ОС');
INSERT INTO DISCIPLINA VALUES (12, 'Комп''ютерні мережі', 'КМ');
INSERT INTO DISCIPLINA VALUES (13, 'Архітектура комп''ютерів', 'АК');
INSERT INTO DISCIPLINA VALUES (14, 'Штучний інтелект', 'ШІ');
INSERT INTO DISCIPLINA VALUES (15, 'Чисельні методи', 'Чис. мет.');
INSERT INTO DISCIPLINA VALUES (16, 'Загальна фізика', 'Заг. фіз.');
INSERT INTO DISCIPLINA VALUES (17, 'Теоретична механіка', 'Теор. мех.');
INSERT INTO DISCIPLINA VALUES (18, 'Квантова механіка', 'Кв. мех.');
INSERT INTO DISCIPLINA VALUES (19, 'Електродинаміка', 'Електродин.');
INSERT INTO DISCIPLINA VALUES (20, 'Оптика', 'Оптика');
INSERT INTO DISCIPLINA VALUES (21, 'Термодинаміка', 'Термодин.');
INSERT INTO DISCIPLINA VALUES (22, 'Неорганічна хімія', 'Неорг. хім.');
INSERT INTO DISCIPLINA VALUES (23, 'Органічна хімія', 'Орг. хім.');
INSERT INTO DISCIPLINA VALUES (24, 'Аналітична хімія', 'Анал. хім.');
INSERT INTO DISCIPLINA VALUES (25, 'Фізична хімія', 'Фіз. хім.');
INSERT INTO DISCIPLINA VALUES (26, 'Біохімія', 'Біохім.');
INSERT INTO DISCIPLINA VALUES (27, 'Мікроекономіка', 'Мікроек.');
INSERT INTO DISCIPLINA VALUES (28, 'Макроекономіка', 'Макроек.');
INSERT INTO DISCIPLINA VALUES (29, 'Бухгалтерський облік', 'Бух. облік');
INSERT INTO DISCIPLINA VALUES (30, 'Фінанси', 'Фінанси');
INSERT INTO DISCIPLINA VALUES (31, 'Маркетинг', 'Маркетинг');
INSERT INTO DISCIPLINA VALUES (32, 'Менеджмент', 'Менеджмент');
INSERT INTO DISCIPLINA VALUES (33, 'Економетрія', 'Економетр.');
INSERT INTO DISCIPLINA VALUES (34, 'Теорія держави і права', 'ТДП');
INSERT INTO DISCIPLINA VALUES (35, 'Конституційне право України', 'Конст. право');
INSERT INTO DISCIPLINA VALUES (36, 'Цивільне право', 'Цив. право');
INSERT INTO DISCIPLINA VALUES (37, 'Кримінальне право', 'Крим. право');
INSERT INTO DISCIPLINA VALUES (38, 'Міжнародне право', 'Міжн. право');
INSERT INTO DISCIPLINA VALUES (39, 'Римське право', 'Рим. право');
INSERT INTO DISCIPLINA VALUES (40, 'Українська мова', 'Укр. мова');
INSERT INTO DISCIPLINA VALUES (41, 'Українська література', 'Укр. літ.');
INSERT INTO DISCIPLINA VALUES (42, 'Англійська мова', 'Англ. мова');
INSERT INTO DISCIPLINA VALUES (43, 'Німецька мова', 'Нім. мова');
INSERT INTO DISCIPLINA VALUES (44, 'Латинська мова', 'Лат. мова');
INSERT INTO DISCIPLINA VALUES (45, 'Зарубіжна література', 'Заруб. літ.');
INSERT INTO DISCIPLINA VALUES (46, 'Вступ до мовознавства', 'Мовозн.');
INSERT INTO DISCIPLINA VALUES (47, 'Історія України', 'Іст. України');
INSERT INTO DISCIPLINA VALUES (48, 'Всесвітня історія', 'Всесв. іст.');
INSERT INTO DISCIPLINA VALUES (49, 'Археологія', 'Археол.');
INSERT INTO DISCIPLINA VALUES (50, 'Історія української культури', 'Іст. культ.');
INSERT INTO DISCIPLINA VALUES (51, 'Філософія', 'Філософія');
INSERT INTO DISCIPLINA VALUES (52, 'Загальна психологія', 'Заг. псих.');
INSERT INTO DISCIPLINA VALUES (53, 'Вікова психологія', 'Вік. псих.');
INSERT INTO DISCIPLINA VALUES (54, 'Соціальна психологія', 'Соц. псих.');
INSERT INTO DISCIPLINA VALUES (55, 'Психологія пам''яті та уваги', 'Псих. пам''яті');
INSERT INTO DISCIPLINA VALUES (56, 'Фізична географія', 'Фіз. геогр.');
INSERT INTO DISCIPLINA VALUES (57, 'Економічна географія', 'Ек. геогр.');
INSERT INTO DISCIPLINA VALUES (58, 'Картографія', 'Картогр.');
INSERT INTO DISCIPLINA VALUES (59, 'Геоінформаційні системи', 'ГІС');
INSERT INTO DISCIPLINA VALUES (60, 'Безпека життєдіяльності', 'БЖД');

/* Name pools: kinds 1/2 last names (male/female, same index), 3/4 first
   names, 5/6 patronymics. */
CREATE TABLE DEMO_WORD (KIND SMALLINT, IDX INTEGER, TXT VARCHAR(60));
COMMIT;

SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE i INTEGER;
  DECLARE s VARCHAR(2000);
  DECLARE w VARCHAR(60);
  DECLARE k SMALLINT;
  DECLARE p INTEGER;
BEGIN
  k = 1;
  WHILE (k <= 6) DO
  BEGIN
    IF (k = 1) THEN s = 'Шевченко,Коваленко,Бондаренко,Ткаченко,Кравченко,Олійник,Шевчук,Поліщук,Бойко,Мельник,Лисенко,Руденко,Савченко,Петренко,Марченко,Мороз,Павленко,Левченко,Кузьменко,Гончаренко,Тимошенко,Литвиненко,Приходько,Кравчук,Дорошенко,Волошин,Мазур,Гриценко,Костенко,Бондар,Коваль,Зінченко,Карпенко,Ковальчук,Остапенко,Яковенко,Нестеренко,Сидоренко,Панченко,Василенко,';
    ELSE IF (k = 2) THEN s = 'Шевченко,Коваленко,Бондаренко,Ткаченко,Кравченко,Олійник,Шевчук,Поліщук,Бойко,Мельник,Лисенко,Руденко,Савченко,Петренко,Марченко,Мороз,Павленко,Левченко,Кузьменко,Гончаренко,Тимошенко,Литвиненко,Приходько,Кравчук,Дорошенко,Волошина,Мазур,Гриценко,Костенко,Бондар,Коваль,Зінченко,Карпенко,Ковальчук,Остапенко,Яковенко,Нестеренко,Сидоренко,Панченко,Василенко,';
    ELSE IF (k = 3) THEN s = 'Олександр,Андрій,Богдан,Василь,Віктор,Дмитро,Євген,Іван,Ігор,Максим,Микола,Назар,Олег,Остап,Павло,Роман,Сергій,Тарас,Юрій,Ярослав,';
    ELSE IF (k = 4) THEN s = 'Анна,Богдана,Валентина,Галина,Дарина,Єлизавета,Зоряна,Ірина,Катерина,Леся,Марія,Наталія,Оксана,Олена,Ольга,Софія,Тетяна,Уляна,Христина,Юлія,';
    ELSE IF (k = 5) THEN s = 'Олександрович,Андрійович,Богданович,Васильович,Вікторович,Дмитрович,Іванович,Ігорович,Миколайович,Олегович,Павлович,Петрович,Романович,Сергійович,Тарасович,Юрійович,Ярославович,Степанович,Григорович,Михайлович,';
    ELSE s = 'Олександрівна,Андріївна,Богданівна,Василівна,Вікторівна,Дмитрівна,Іванівна,Ігорівна,Миколаївна,Олегівна,Павлівна,Петрівна,Романівна,Сергіївна,Тарасівна,Юріївна,Ярославівна,Степанівна,Григорівна,Михайлівна,';
    i = 0;
    WHILE (CHAR_LENGTH(s) > 0) DO
    BEGIN
      p = POSITION(',' IN s);
      w = SUBSTRING(s FROM 1 FOR p - 1);
      s = SUBSTRING(s FROM p + 1);
      INSERT INTO DEMO_WORD VALUES (:k, :i, :w);
      i = i + 1;
    END
    k = k + 1;
  END
END^

EXECUTE BLOCK AS
  DECLARE x BIGINT = 20240901;
  DECLARE i INTEGER;
  DECLARE f INTEGER;
  DECLARE kurs INTEGER;
  DECLARE female SMALLINT;
  DECLARE fam VARCHAR(60);
  DECLARE im VARCHAR(60);
  DECLARE ot VARCHAR(60);
  DECLARE kn VARCHAR(50);
  DECLARE d INTEGER;
  DECLARE t INTEGER;
  DECLARE n INTEGER;
  DECLARE c INTEGER;
BEGIN
  /* Students: 300 per faculty, courses 1 to 6, groups of about 25. */
  i = 1;
  WHILE (i <= 3000) DO
  BEGIN
    f = MOD(i - 1, 10) + 1;
    x = MOD(x * 1103515245 + 12345, 2147483648);
    kurs = MOD(x / 65536, 6) + 1;
    x = MOD(x * 1103515245 + 12345, 2147483648);
    female = MOD(x / 65536, 2);
    x = MOD(x * 1103515245 + 12345, 2147483648);
    SELECT TXT FROM DEMO_WORD WHERE KIND = 1 + :female AND IDX = MOD(:x / 65536, 40) INTO :fam;
    x = MOD(x * 1103515245 + 12345, 2147483648);
    SELECT TXT FROM DEMO_WORD WHERE KIND = 3 + :female AND IDX = MOD(:x / 65536, 20) INTO :im;
    x = MOD(x * 1103515245 + 12345, 2147483648);
    SELECT TXT FROM DEMO_WORD WHERE KIND = 5 + :female AND IDX = MOD(:x / 65536, 20) INTO :ot;
    SELECT KNAZVA FROM FAKULTET WHERE F_ID = :f INTO :kn;
    x = MOD(x * 1103515245 + 12345, 2147483648);
    INSERT INTO STUDENT VALUES (:i, :fam, :im, :ot, :f, :kurs,
      :kn || '-' || :kurs || (MOD(:x / 65536, 2) + 1));
    i = i + 1;
  END

  /* Tests: 200 over the 60 disciplines. */
  i = 1;
  WHILE (i <= 200) DO
  BEGIN
    d = MOD(i - 1, 60) + 1;
    n = (i - 1) / 60 + 1;
    INSERT INTO TEST
      SELECT :i, NAZVA || ': тест ' || :n, 'test_' || LPAD(:i, 3, '0') || '.vlt', D_ID
      FROM DISCIPLINA WHERE D_ID = :d;
    i = i + 1;
  END

  /* Course links: each discipline is studied by two or three faculties,
     each on one or two courses. */
  d = 1;
  WHILE (d <= 60) DO
  BEGIN
    x = MOD(x * 1103515245 + 12345, 2147483648);
    n = MOD(x / 65536, 2) + 2;
    x = MOD(x * 1103515245 + 12345, 2147483648);
    f = MOD(x / 65536, 10) + 1;
    c = 0;
    WHILE (c < n) DO
    BEGIN
      x = MOD(x * 1103515245 + 12345, 2147483648);
      kurs = MOD(x / 65536, 6) + 1;
      INSERT INTO D_F_K VALUES (GEN_ID(GEN_D_F_K_ID, 1), :d, :f, :kurs);
      x = MOD(x * 1103515245 + 12345, 2147483648);
      IF (MOD(x / 65536, 2) = 1) THEN
      BEGIN
        kurs = MOD(kurs, 6) + 1;
        INSERT INTO D_F_K VALUES (GEN_ID(GEN_D_F_K_ID, 1), :d, :f, :kurs);
      END
      f = MOD(f + 2, 10) + 1;
      c = c + 1;
    END
    d = d + 1;
  END
END^

/* Results over two academic years, 1 September 2024 to 30 June 2026. */
EXECUTE BLOCK AS
  DECLARE x BIGINT = 1000003;
  DECLARE i INTEGER = 1;
  DECLARE sid INTEGER;
  DECLARE tid INTEGER;
  DECLARE mark DOUBLE PRECISION;
  DECLARE days INTEGER;
  DECLARE minutes INTEGER;
BEGIN
  WHILE (i <= @RESULTS@) DO
  BEGIN
    x = MOD(x * 1103515245 + 12345, 2147483648);
    sid = MOD(x / 65536, 3000) + 1;
    x = MOD(x * 1103515245 + 12345, 2147483648);
    tid = MOD(x / 65536, 200) + 1;
    x = MOD(x * 1103515245 + 12345, 2147483648);
    mark = MOD(x / 65536, 1001) / 10.0;
    x = MOD(x * 1103515245 + 12345, 2147483648);
    days = MOD(x / 65536, 667);
    x = MOD(x * 1103515245 + 12345, 2147483648);
    minutes = 480 + MOD(x / 65536, 600);
    INSERT INTO RESULTAT VALUES (:i, :sid, :tid, :mark,
      DATEADD(MINUTE, :minutes, DATEADD(DAY, :days, TIMESTAMP '2024-09-01 00:00:00')));
    i = i + 1;
  END
END^
SET TERM ; ^
COMMIT;

DROP TABLE DEMO_WORD;

ALTER SEQUENCE GEN_FAKULTET_ID RESTART WITH 10;
ALTER SEQUENCE GEN_STUDENT_ID RESTART WITH 3000;
ALTER SEQUENCE GEN_DISCIPLINA_ID RESTART WITH 60;
ALTER SEQUENCE GEN_RESULTAT_ID RESTART WITH @RESULTS@;
COMMIT;
