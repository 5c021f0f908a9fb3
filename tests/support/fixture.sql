/* A small known data set for tests: three faculties (one name with an
   apostrophe), their students, two disciplines with tests, links and a few
   results. */
INSERT INTO FAKULTET VALUES (1, 'Факультет комп''ютерних наук', 'ФКН');
INSERT INTO FAKULTET VALUES (2, 'Фізичний факультет', 'ФФ');
INSERT INTO FAKULTET VALUES (3, 'Історичний факультет', 'ІФ');

INSERT INTO STUDENT VALUES (1, 'Шевченко', 'Тарас', 'Григорович', 1, 1, 'ФКН-11');
INSERT INTO STUDENT VALUES (2, 'Українка', 'Леся', 'Петрівна', 1, 1, 'ФКН-11');
INSERT INTO STUDENT VALUES (3, 'Франко', 'Іван', 'Якович', 1, 3, 'ФКН-31');
INSERT INTO STUDENT VALUES (4, 'Коваленко', 'Олена', 'Іванівна', 2, 2, 'ФФ-21');
INSERT INTO STUDENT VALUES (5, 'Бойко', 'Андрій', 'Сергійович', 2, 4, 'ФФ-41');

INSERT INTO DISCIPLINA VALUES (1, 'Бази даних', 'БД');
INSERT INTO DISCIPLINA VALUES (2, 'Психологія пам''яті', 'Псих. пам''яті');

INSERT INTO TEST VALUES (1, 'Бази даних: тест 1', 'test_001.vlt', 1);
INSERT INTO TEST VALUES (2, 'Бази даних: тест 2', 'test_002.vlt', 1);
INSERT INTO TEST VALUES (3, 'Психологія пам''яті: тест 1', 'test_003.vlt', 2);

INSERT INTO D_F_K VALUES (1, 1, 1, 1);
INSERT INTO D_F_K VALUES (2, 1, 1, 3);
INSERT INTO D_F_K VALUES (3, 2, 2, 2);

INSERT INTO RESULTAT VALUES (1, 1, 1, 87.5, TIMESTAMP '2025-10-14 09:30:00');
INSERT INTO RESULTAT VALUES (2, 2, 1, 92.0, TIMESTAMP '2025-10-14 09:45:00');
INSERT INTO RESULTAT VALUES (3, 4, 3, 61.5, TIMESTAMP '2026-03-02 14:10:00');

ALTER SEQUENCE GEN_FAKULTET_ID RESTART WITH 3;
ALTER SEQUENCE GEN_STUDENT_ID RESTART WITH 5;
ALTER SEQUENCE GEN_DISCIPLINA_ID RESTART WITH 2;
ALTER SEQUENCE GEN_D_F_K_ID RESTART WITH 3;
ALTER SEQUENCE GEN_RESULTAT_ID RESTART WITH 3;
COMMIT;
