/* Adds to an existing Veltor testing database the indexes that the results
   view's filters and orderings use (the same as in schema.sql). Run once,
   by the database's owner, while nobody else is connected:

     isql-fb -user SYSDBA -password ... host:database -i db/upgrade-results-indexes.sql

   The program itself never changes the database's structure. */

CREATE INDEX IX_RESULTAT_VREMA ON RESULTAT (VREMA, R_ID);
CREATE DESCENDING INDEX IX_RESULTAT_VREMA_DESC ON RESULTAT (VREMA, R_ID);
CREATE INDEX IX_RESULTAT_OCINKA ON RESULTAT (OCINKA, R_ID);
CREATE DESCENDING INDEX IX_RESULTAT_OCINKA_DESC ON RESULTAT (OCINKA, R_ID);
CREATE INDEX IX_STUDENT_KURS ON STUDENT (KURS);
CREATE INDEX IX_STUDENT_GRUPA ON STUDENT (GRUPA);
CREATE INDEX IX_STUDENT_FAMILIYA_UPPER ON STUDENT COMPUTED BY (UPPER(FAMILIYA));

COMMIT;
